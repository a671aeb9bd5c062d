// The Command Tester page in the main window, on the virtual-time test bed: what goes out for
// ";", Enter and a macro, the colours of sent and received text, what a running machine keeps to
// itself, recall of earlier commands, the Latin-1 line, and the Edit Macros dialog.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <functional>
#include <utility>
#include <vector>

#include "UiText.h"
#include "dialogs/EditMacrosDialog.h"
#include "model/MessageIds.h"
#include "pages/CommandTesterPage.h"
#include "report/ErrorCode.h"
#include "report/LinkTextIds.h"
#include "report/StringTable.h"
#include "report/WindowTextIds.h"
#include "support/ui/WindowTestBed.h"

namespace vlx::test {
namespace {

constexpr int kCommandTesterIndex = 4;

// One run of text in the output with the colour it was given.
struct Coloured {
  QString text;
  QRgb colour;
  bool operator==(const Coloured&) const = default;
};

void PrintTo(const Coloured& run, std::ostream* out) {
  *out << '"' << run.text.toStdString() << "\" #" << std::hex << (run.colour & 0xFFFFFF);
}

// Types `text` one character a key press, as a keyboard layout with those characters would; the
// test library's own typing knows only ASCII.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

class Recorder final : public Listener {
 public:
  void OnMessage(MessageId id, MessageParam wParam) override { seen.emplace_back(id, wParam); }
  std::vector<std::pair<MessageId, MessageParam>> seen;
};

class CommandTesterPageTest : public ::testing::Test {
 protected:
  CommandTesterPageTest() {
    bed.store.PutString("Port", SimulatedLink::kPortName);
    bed.store.PutDword("ActivePage", kCommandTesterIndex);
    MainWindow& window = bed.Open();
    window.show();
    QApplication::setActiveWindow(&window);
    page = &static_cast<CommandTesterPage&>(window.PageAt(kCommandTesterIndex));
    line = page->findChild<QLineEdit*>("commandLine");
    output = page->findChild<QTextEdit*>("testerOutput");
  }

  void SetUp() override {
    ASSERT_EQ(bed.window->Pages().currentIndex(), kCommandTesterIndex);
    ASSERT_TRUE(bed.RunContactToEnd());
    ASSERT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
    sentBefore = bed.link.SentTexts().size();
  }

  // What the page wrote since the amplifier was found.
  std::vector<std::string> Sent() const {
    const std::vector<std::string> all = bed.link.SentTexts();
    return {all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()};
  }
  // The output as runs of one colour, neighbours of one colour joined.
  std::vector<Coloured> Runs() const {
    std::vector<Coloured> runs;
    for (QTextBlock block = output->document()->begin(); block.isValid(); block = block.next()) {
      if (block != output->document()->begin()) {
        runs.back().text += '\n';
      }
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QRgb colour = fragment.charFormat().foreground().color().rgb() & 0xFFFFFF;
        if (!runs.empty() && runs.back().colour == colour) {
          runs.back().text += fragment.text();
        } else {
          runs.push_back({fragment.text(), colour});
        }
      }
    }
    return runs;
  }
  QPushButton& Button(const char* name) const { return *page->findChild<QPushButton*>(name); }
  void PressEnter() { QTest::keyClick(line, Qt::Key_Return); }
  // Runs `drive` with the Edit Macros dialog once it shows.
  void WithEditMacros(std::function<void(EditMacrosDialog&)> drive) {
    QTimer::singleShot(0, [drive = std::move(drive)] {
      auto* dialog = qobject_cast<EditMacrosDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      drive(*dialog);
    });
    Button("editMacros").click();
  }

  WindowTestBed bed;
  CommandTesterPage* page = nullptr;
  QLineEdit* line = nullptr;
  QTextEdit* output = nullptr;
  std::size_t sentBefore = 0;
};

constexpr QRgb kGreen = 0x009900;
constexpr QRgb kBlack = 0x000000;

TEST_F(CommandTesterPageTest, SemicolonSendsAsTypedAndEnterSendsWithoutAddingOne) {
  QTest::keyClicks(line, "^RVM;");
  EXPECT_EQ(Sent(), std::vector<std::string>{"^RVM;"});
  EXPECT_TRUE(line->text().isEmpty());
  EXPECT_TRUE(line->hasFocus());
  bed.time.RunFor(100);

  QTest::keyClicks(line, "^sn");
  EXPECT_EQ(Sent().size(), 1u);  // nothing before Enter
  PressEnter();
  PressEnter();  // an empty line: nothing
  bed.time.RunFor(100);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"^RVM;", "^sn"}));
  // The reply shares the line of the command that asked for it; colours by character format.
  EXPECT_EQ(Runs(), (std::vector<Coloured>{
                        {"^RVM;\n", kGreen}, {"^RVM01.23;", kBlack}, {"^sn\n", kGreen}}));
  EXPECT_EQ(output->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_TRUE(output->isReadOnly());

  EXPECT_TRUE(page->grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/command-tester-page.png")));
  Button("clearOutput").click();
  EXPECT_TRUE(output->toPlainText().isEmpty());
}

TEST_F(CommandTesterPageTest, MacroSendsTheTypedTextFirstAndEmptiesTheLine) {
  bed.app.commandText.SetAt(2, "05;");
  QTest::keyClicks(line, "^bn");
  Button("macro3").click();
  EXPECT_EQ(Sent(), std::vector<std::string>{"^bn05;"});
  EXPECT_TRUE(line->text().isEmpty());
  EXPECT_TRUE(Button("macro3").hasFocus());
}

// The startup search ran while the page was current: its replies were the machine's.
TEST_F(CommandTesterPageTest, NothingIsShownWhileAMachineRunsAndEverythingOnceNoneDoes) {
  EXPECT_TRUE(output->toPlainText().isEmpty());
  bed.app.EstablishContact().BeginTestCommunications();
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_TRUE(output->toPlainText().isEmpty());

  bed.link.Deliver("^FL3;\r\n");
  bed.time.RunFor(10);
  EXPECT_EQ(Runs(), (std::vector<Coloured>{{"^FL3;\n", kBlack}}));
}

TEST_F(CommandTesterPageTest, WithoutAnAmplifierNothingGoesOutAndTheTextStays) {
  bed.app.SetDeviceState(device_state::kNotResponding);
  EXPECT_FALSE(line->isEnabled());
  EXPECT_FALSE(Button("macro1").isEnabled());
  line->setText("^RVM");
  PressEnter();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(line->text(), "^RVM");
  EXPECT_TRUE(output->toPlainText().isEmpty());
}

TEST_F(CommandTesterPageTest, AFailedWriteIsToldByThePort) {
  bed.link.FailNextCall(err::kWriteFault);
  QTest::keyClicks(line, "^RVM;");
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, LoadString(ids::kComPortErrorCaption));
}

TEST_F(CommandTesterPageTest, UpAndDownRecallWhatWasSentAndComeBackToTheDraft) {
  QTest::keyClicks(line, "^RVM;");
  QTest::keyClicks(line, "^sn;");
  QTest::keyClicks(line, "^sn;");  // sent twice, recalled once
  QTest::keyClicks(line, "^b");

  const std::vector<std::pair<Qt::Key, QString>> steps = {
      {Qt::Key_Up, "^sn;"},   {Qt::Key_Up, "^RVM;"}, {Qt::Key_Up, "^RVM;"},
      {Qt::Key_Down, "^sn;"}, {Qt::Key_Down, "^b"},  {Qt::Key_Down, "^b"}};
  for (const auto& [key, expected] : steps) {
    QTest::keyClick(line, key);
    EXPECT_EQ(line->text(), expected);
  }
  // A recalled command goes out with Enter.
  QTest::keyClick(line, Qt::Key_Up);
  PressEnter();
  EXPECT_EQ(Sent(), (std::vector<std::string>{"^RVM;", "^sn;", "^sn;", "^sn;"}));
}

TEST_F(CommandTesterPageTest, CharactersBeyondLatin1AreRefusedAsTypedWithAHint) {
  Type(line, QString::fromUtf8("^B\u20AC\u00E9"));
  EXPECT_EQ(line->text(), QString::fromUtf8("^B\u00E9"));
  EXPECT_EQ(QToolTip::text(), LoadText(ids::kLatin1Only));
  PressEnter();
  EXPECT_EQ(Sent(), std::vector<std::string>{"^B\xE9"});
}

TEST_F(CommandTesterPageTest, EditMacrosSaveStoresInOrderAndRenamesTheButtonsAtOnce) {
  Recorder recorder;
  bed.app.commandCaption.Subscribe(recorder);
  bed.app.commandText.Subscribe(recorder);
  WithEditMacros([](EditMacrosDialog& dialog) {
    EXPECT_EQ(dialog.LabelEdit(0).text(), "Macro 1");
    dialog.LabelEdit(0).setText("Band 5");
    dialog.TextEdit(0).setText("^bn05;^bn;");
    Type(&dialog.TextEdit(1), QString::fromUtf8("x\u20AC"));
    EXPECT_EQ(dialog.TextEdit(1).text(), "x");
    dialog.SaveButton().click();
  });
  EXPECT_EQ(Button("macro1").text(), "Band 5");
  EXPECT_EQ(bed.app.commandText.Get()[0], "^bn05;^bn;");
  EXPECT_EQ(bed.app.commandText.Get()[1], "x");
  ASSERT_EQ(recorder.seen.size(), 2 * kStringArraySize);
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    EXPECT_EQ(recorder.seen[2 * i], std::make_pair(kMsgCommandCaption, MessageParam{i}));
    EXPECT_EQ(recorder.seen[2 * i + 1], std::make_pair(kMsgCommandText, MessageParam{i}));
  }
  bed.app.commandCaption.Unsubscribe(recorder);
  bed.app.commandText.Unsubscribe(recorder);

  Button("macro1").click();
  EXPECT_EQ(Sent(), std::vector<std::string>{"^bn05;^bn;"});
}

TEST_F(CommandTesterPageTest, EditMacrosCancelStoresNothing) {
  const StringArray captions = bed.app.commandCaption.Get();
  const StringArray texts = bed.app.commandText.Get();
  WithEditMacros([](EditMacrosDialog& dialog) {
    dialog.LabelEdit(3).setText("Changed");
    dialog.TextEdit(3).setText("^fl;");
    // Enter in an edit neither saves nor throws the edits away: it goes on to the next edit.
    dialog.TextEdit(3).setFocus();
    QTest::keyClick(&dialog.TextEdit(3), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), &dialog.LabelEdit(4));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
    dialog.CancelButton().click();
  });
  EXPECT_EQ(bed.help.topics, std::vector<QString>{"CommandTester.htm#macroButtons"});
  EXPECT_EQ(bed.app.commandCaption.Get(), captions);
  EXPECT_EQ(bed.app.commandText.Get(), texts);
  EXPECT_EQ(Button("macro4").text(), "Macro 4");
}

}  // namespace
}  // namespace vlx::test
