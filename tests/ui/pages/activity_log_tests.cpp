// The Activity Log's lines, stamps and scrolling, and the Firmware page's use of it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <memory>
#include <string>

#include "UiServices.h"
#include "help/HelpService.h"
#include "pages/ActivityLog.h"
#include "pages/FirmwarePage.h"
#include "report/ErrorText.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"

namespace vlx {
namespace {

LocalTime TimeOfDay(std::uint32_t hour, std::uint32_t minute, std::uint32_t second) {
  LocalTime time;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  return time;
}

TEST(ActivityLogTest, StampsEachLineAndSeparatesLinesWithOneBreak) {
  ActivityLog log;
  log.AppendLogLine("text", TimeOfDay(9, 5, 7));
  EXPECT_EQ(log.toPlainText().toStdString(), "09:05:07 text");

  log.AppendLogLine("", TimeOfDay(23, 59, 0));
  log.AppendLogLine("last", TimeOfDay(0, 0, 59));
  EXPECT_EQ(log.toPlainText().toStdString(), "09:05:07 text\n23:59:00 \n00:00:59 last");
}

TEST(ActivityLogTest, LineBreaksInsideALineShowAsBreaks) {
  ActivityLog log;
  log.AppendLogLine("first\r\nsecond\nthird", TimeOfDay(1, 2, 3));
  EXPECT_EQ(log.toPlainText().toStdString(), "01:02:03 first\nsecond\nthird");
  EXPECT_EQ(log.document()->blockCount(), 3);
}

TEST(ActivityLogTest, IsReadOnlyAndCannotBeUndone) {
  ActivityLog log;
  log.AppendLogLine("line", TimeOfDay(1, 2, 3));
  EXPECT_TRUE(log.isReadOnly());
  log.undo();
  EXPECT_EQ(log.toPlainText().toStdString(), "01:02:03 line");
}

TEST(ActivityLogTest, KeepsTheNewestLinesWhole) {
  ActivityLog log;
  const std::string line(1000, 'x');  // 1010 characters with stamp and break
  const int lines = ActivityLog::kMaxCharacters / 1010 + 20;
  for (int i = 0; i < lines; ++i) {
    log.AppendLogLine(line + std::to_string(i), TimeOfDay(1, 2, 3));
  }
  const QString text = log.toPlainText();
  EXPECT_LE(text.size(), ActivityLog::kMaxCharacters);
  EXPECT_GT(text.size(), ActivityLog::kMaxCharacters - 1200);
  EXPECT_TRUE(text.startsWith("01:02:03 xxx"));
  EXPECT_TRUE(text.endsWith(QString::fromStdString(line + std::to_string(lines - 1))));
}

// A log of fixed size on screen, filled well beyond its height.
class ActivityLogScrollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_.setFixedSize(300, 120);
    log_.show();
    for (int i = 0; i < 100; ++i) {
      Append("line " + std::to_string(i));
    }
    ASSERT_GT(Bar().maximum(), 0);
  }

  void Append(const std::string& line) {
    log_.AppendLogLine(line, TimeOfDay(12, 0, 0));
    QCoreApplication::processEvents();
  }
  QScrollBar& Bar() { return *log_.verticalScrollBar(); }

  ActivityLog log_;
};

TEST_F(ActivityLogScrollTest, AReaderAtTheBottomFollowsNewLines) {
  EXPECT_EQ(Bar().value(), Bar().maximum());
  const int before = Bar().maximum();
  Append("more");
  Append("even more");
  EXPECT_GT(Bar().maximum(), before);
  EXPECT_EQ(Bar().value(), Bar().maximum());
}

TEST_F(ActivityLogScrollTest, AReaderWhoScrolledUpIsLeftThere) {
  // The caret at the very end, where a click after the last line puts it, must not drag the
  // view along either.
  QTextCursor caret = log_.textCursor();
  caret.movePosition(QTextCursor::End);
  log_.setTextCursor(caret);
  Bar().setValue(10);

  Append("more, in a line long enough to wrap more than once in a log that is this narrow");
  Append("line one\r\nline two");
  EXPECT_EQ(Bar().value(), 10);
  EXPECT_LT(Bar().value(), Bar().maximum());

  // Back at the bottom, the reader follows again.
  Bar().setValue(Bar().maximum());
  Append("latest");
  EXPECT_EQ(Bar().value(), Bar().maximum());
}

TEST_F(ActivityLogScrollTest, ClearMakesEvenAReaderAtTheTopFollowAgain) {
  Bar().setValue(0);
  log_.Clear();
  for (int i = 0; i < 100; ++i) {
    Append("after Clear " + std::to_string(i));
  }
  EXPECT_GT(Bar().maximum(), 0);
  EXPECT_EQ(Bar().value(), Bar().maximum());
}

TEST(ActivityLogScrollStartTest, AShortLogThatStartsToOverflowShowsItsEnd) {
  ActivityLog log;
  log.setFixedSize(300, 120);
  log.show();
  for (int i = 0; i < 30; ++i) {
    log.AppendLogLine("line " + std::to_string(i), TimeOfDay(12, 0, 0));
  }
  QCoreApplication::processEvents();
  ASSERT_GT(log.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
}

// How the view was first shown and how its lines wrap must not change the rule: a view that was
// never scrolled up shows the newest line. Every line is wider than the view.
struct FollowCase {
  const char* label;
  bool filledWhileHidden;  // lines arrive before the view is first shown, as on a page not yet open
  bool queued;             // the dialogs' unstamped lines, added in batches
  bool narrowedAfterwards;  // the view loses width once shown, so more lines wrap
};

class ActivityLogFollowTest : public ::testing::TestWithParam<FollowCase> {
 protected:
  // The log on the second of two pages, as the Firmware page's log sits in the window's tabs.
  ActivityLogFollowTest() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(log_);
    pages_.addWidget(new QWidget);
    pages_.addWidget(page);
    pages_.setFixedSize(320, 160);
    if (!GetParam().filledWhileHidden) {
      pages_.setCurrentIndex(1);
    }
    pages_.show();
    QCoreApplication::processEvents();
  }

  void Append(int count) {
    for (int i = 0; i < count; ++i) {
      const std::string line =
          std::to_string(next_++) + " a status line long enough to wrap at least once in the view";
      if (GetParam().queued) {
        log_->QueueLine(line);
      } else {
        log_->AppendLogLine(line, TimeOfDay(12, 0, 0));
      }
    }
    log_->FlushQueued();
    QCoreApplication::processEvents();
  }

  bool LastLineVisible() const {
    QTextCursor end(log_->document());
    end.movePosition(QTextCursor::End);
    const QRect caret = log_->cursorRect(end);
    return caret.top() >= 0 && caret.bottom() <= log_->viewport()->height();
  }

  QStackedWidget pages_;
  ActivityLog* log_ = new ActivityLog;
  int next_ = 0;
};

TEST_P(ActivityLogFollowTest, AViewNeverScrolledUpShowsTheNewestLine) {
  Append(12);
  pages_.setCurrentIndex(1);
  QCoreApplication::processEvents();
  EXPECT_TRUE(LastLineVisible());
  if (GetParam().narrowedAfterwards) {
    pages_.setFixedSize(200, 160);
    QCoreApplication::processEvents();
  }
  for (int i = 0; i < 5; ++i) {
    Append(1);
    EXPECT_TRUE(LastLineVisible()) << "after line " << next_;
  }
}

INSTANTIATE_TEST_SUITE_P(Views, ActivityLogFollowTest,
                         ::testing::Values(FollowCase{"FilledWhileHidden", true, false, false},
                                           FollowCase{"ShownFirst", false, false, false},
                                           FollowCase{"QueuedWhileHidden", true, true, false},
                                           FollowCase{"NarrowedAfterFilling", false, false, true}),
                         test::ByLabel());

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

QStringList MenuTexts(ActivityLog& log) {
  std::unique_ptr<QMenu> menu(log.CreateContextMenu());
  QStringList texts;
  for (const QAction* action : menu->actions()) {
    if (!action->isSeparator()) {
      texts << action->text();
    }
  }
  return texts;
}

// The Activity Log's own menu: what it offers, Clear, and Save As... through the scripted
// Save-As box into an in-memory folder.
class ActivityLogMenuTest : public ::testing::Test {
 protected:
  static constexpr const char* kDocuments = "/home/user/Documents";

  ActivityLogMenuTest() {
    bed_.files.documentsFolder = kDocuments;
    bed_.files.AddDirectory(kDocuments);
    log_.OfferClearAndSave(services_, bed_.files);
    log_.AppendLogLine("first", TimeOfDay(9, 0, 0));
    log_.AppendLogLine("second\r\nwith a break", TimeOfDay(9, 0, 1));
  }

  void AnswerSaveAs(const std::string& path) {
    bed_.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, path});
  }

  test::LinkTestBed bed_;
  NoHelp help_;
  UiServices services_{bed_.app, bed_.prompts, bed_.time, help_, {}};
  ActivityLog log_;
};

TEST_F(ActivityLogMenuTest, OffersCopySelectAllClearAndSaveAsTheDialogLogsOnlyTheFirstTwo) {
  EXPECT_EQ(MenuTexts(log_), QStringList({"&Copy", "Select &All", "C&lear", "Save &As..."}));
  ActivityLog dialogLog;
  EXPECT_EQ(MenuTexts(dialogLog), QStringList({"&Copy", "Select &All"}));

  // Copy only with something selected.
  std::unique_ptr<QMenu> menu(log_.CreateContextMenu());
  EXPECT_FALSE(menu->actions().at(0)->isEnabled());
  log_.selectAll();
  menu.reset(log_.CreateContextMenu());
  EXPECT_TRUE(menu->actions().at(0)->isEnabled());
}

TEST_F(ActivityLogMenuTest, ClearEmptiesItAndTheNextLineStartsIt) {
  log_.QueueLine("queued before Clear");
  log_.Clear();
  log_.FlushQueued();
  EXPECT_TRUE(log_.toPlainText().isEmpty());
  log_.AppendLogLine("after", TimeOfDay(9, 0, 2));
  EXPECT_EQ(log_.toPlainText().toStdString(), "09:00:02 after");
}

TEST_F(ActivityLogMenuTest, SaveAsWritesEveryLineAndOpensNextWhereItSaved) {
  AnswerSaveAs("/home/user/logs/failed load.txt");
  ASSERT_TRUE(log_.SaveAs());

  EXPECT_EQ(bed_.files.Files().at("/home/user/logs/failed load.txt"),
            "09:00:00 first\r\n09:00:01 second\r\nwith a break\r\n");
  ASSERT_EQ(bed_.prompts.fileBoxes.size(), 1U);
  const FileBoxRequest& first = bed_.prompts.fileBoxes[0].request;
  EXPECT_EQ(bed_.prompts.fileBoxes[0].kind, "SaveAs");
  EXPECT_EQ(first.folder, kDocuments);
  EXPECT_EQ(first.proposedName, "ActivityLog.20261210T120000.txt");
  EXPECT_EQ(first.defaultExtension, "txt");
  EXPECT_EQ(first.filter, "Text files (*.txt)|*.txt|All files (*.*)|*.*|");

  // Cancelled: nothing written; the box had opened where the last log went.
  EXPECT_FALSE(log_.SaveAs());
  EXPECT_EQ(bed_.prompts.fileBoxes.back().request.folder, "/home/user/logs");
  EXPECT_EQ(bed_.files.Files().size(), 1U);

  // That folder gone: the documents folder again.
  bed_.prompts.fileAnswers.push_back({FileBoxEnd::kInvalidFileName, {}});
  AnswerSaveAs("/home/user/Documents/again.txt");
  EXPECT_TRUE(log_.SaveAs());
  EXPECT_EQ(bed_.prompts.fileBoxes.back().request.folder, kDocuments);
  EXPECT_TRUE(bed_.files.Files().contains("/home/user/Documents/again.txt"));
}

TEST_F(ActivityLogMenuTest, AFailedWriteIsReportedAndLosesNothing) {
  const std::string path = "/home/user/Documents/old.txt";
  bed_.files.PutFile(path, "an older log");
  bed_.files.FailStep(file_step::kWrite, err::kDiskFull);
  AnswerSaveAs(path);
  const QString before = log_.toPlainText();

  EXPECT_FALSE(log_.SaveAs());

  const std::string report = "WriteFile failed on \"" + path +
                             "\"\r\nError 0x00000070: " + FormatErrorText(err::kDiskFull);
  ASSERT_EQ(bed_.prompts.boxes.size(), 1U);
  EXPECT_EQ(bed_.prompts.boxes[0].caption, "Error");
  EXPECT_EQ(bed_.prompts.boxes[0].text, report);
  EXPECT_EQ(bed_.status.statusLines.back(), report);
  EXPECT_EQ(bed_.files.Files().at(path), "an older log");
  EXPECT_EQ(bed_.files.Files().size(), 1U);
  EXPECT_EQ(log_.toPlainText(), before);
}

class FirmwarePageTest : public ::testing::Test {
 protected:
  std::string LogText() {
    return page_.findChild<ActivityLog*>("activityLog")->toPlainText().toStdString();
  }

  test::LinkTestBed bed_;
  NoHelp help_;
  UiServices services_{bed_.app, bed_.prompts, bed_.time, help_, {}};
  FirmwarePage page_{services_, "VLX Utility Revision 1.2.3.0", "OS Version 6.1 Build 0 Test OS"};
};

TEST_F(FirmwarePageTest, OpensItsLogWithTheIdentityAndTheSystem) {
  EXPECT_EQ(LogText(),
            "12:00:00 VLX Utility Revision 1.2.3.0\n"
            "12:00:00 OS Version 6.1 Build 0 Test OS");
  const auto* group = page_.findChild<QGroupBox*>("activityLogGroup");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title(), "Activity Log");
  EXPECT_EQ(page_.findChild<ActivityLog*>("activityLog")->parentWidget(), group);
}

TEST_F(FirmwarePageTest, ItsLogCanBeClearedAndSaved) {
  EXPECT_TRUE(MenuTexts(*page_.findChild<ActivityLog*>("activityLog")).contains("Save &As..."));
}

TEST_F(FirmwarePageTest, PageLogLinesCarryTheClocksTimeOfDay) {
  bed_.time.RunFor((1 * 3600 + 2 * 60 + 3) * 1000);
  page_.OnPageLog("Configuration was saved");
  EXPECT_TRUE(LogText().ends_with("OS\n13:02:03 Configuration was saved")) << LogText();
}

TEST_F(FirmwarePageTest, TheLogTakesTheRoomTheGrownPageGives) {
  page_.show();
  const QSize smallest = page_.minimumSize();
  auto* log = page_.findChild<ActivityLog*>("activityLog");
  QCoreApplication::processEvents();
  const QSize before = log->size();
  page_.resize(smallest + QSize(200, 150));
  QCoreApplication::processEvents();
  EXPECT_EQ(log->size(), before + QSize(200, 150));
}

}  // namespace
}  // namespace vlx
