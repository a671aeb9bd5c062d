// The release notes window: the notes rendered with their formatting and links, the boxes for
// notes that cannot be shown, one window at a time, centred on its owner, and which links leave
// the program.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

#include "help/ReleaseNotesWindow.h"
#include "report/Prompts.h"
#include "support/CaseNames.h"
#include "support/RecordingSinks.h"
#include "text/RtfReader.h"

namespace vlx {
namespace {

const QString kFixture = QStringLiteral(VLX_FIXTURE_DIR "/notes/vlxfwnotes.rtf");

void DeleteClosedWindows() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The fragment of the document that holds `text`; invalid when none does.
QTextFragment FragmentWith(const QTextDocument& document, const QString& text) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().text().contains(text)) {
        return it.fragment();
      }
    }
  }
  return {};
}

class ReleaseNotesTest : public ::testing::Test {
 protected:
  QString WriteFile(const QString& name, const QByteArray& bytes) {
    const QString path = folder_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  test::ScriptedPrompts prompts_;
  QTemporaryDir folder_;
};

TEST_F(ReleaseNotesTest, ShowsTheNotesWithTheirFormattingAndLinks) {
  std::unique_ptr<ReleaseNotesWindow> window(ShowReleaseNotes(nullptr, kFixture, prompts_));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(prompts_.boxes.empty());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Firmware Release Notes"));
  EXPECT_EQ(window->CloseButton().text(), QStringLiteral("Close"));

  QTextBrowser& view = window->View();
  EXPECT_TRUE(view.isReadOnly());
  EXPECT_EQ(view.lineWrapMode(), QTextEdit::WidgetWidth);
  const QTextDocument& document = *view.document();
  EXPECT_EQ(document.blockCount(), 10);
  EXPECT_EQ(document.firstBlock().text(), QStringLiteral("VLX750 Firmware Release Notes"));
  EXPECT_EQ(document.firstBlock().blockFormat().alignment(), Qt::AlignHCenter);

  const QTextFragment heading = FragmentWith(document, QStringLiteral("Firmware Release"));
  EXPECT_EQ(heading.charFormat().fontWeight(), QFont::Bold);
  EXPECT_DOUBLE_EQ(heading.charFormat().fontPointSize(), 16.0);
  const QTextFragment warning = FragmentWith(document, QStringLiteral("Do not"));
  EXPECT_TRUE(warning.charFormat().fontItalic());
  EXPECT_EQ(warning.charFormat().foreground().color(), QColor(0x99, 0x00, 0x00));
  const QTextFragment command = FragmentWith(document, QStringLiteral("^RVM;"));
  EXPECT_TRUE(command.charFormat().fontFixedPitch());
  EXPECT_EQ(command.charFormat().fontFamilies().toStringList(), QStringList{"Courier New"});
  // A bulleted item hangs its first line.
  const QTextBlock item = document.findBlock(warning.position());
  EXPECT_GT(item.blockFormat().leftMargin(), 0.0);
  EXPECT_LT(item.blockFormat().textIndent(), 0.0);
  EXPECT_TRUE(item.text().startsWith(QStringLiteral("\u2022\t")));
  // A line break stays inside its paragraph.
  EXPECT_TRUE(FragmentWith(document, QStringLiteral("\u2028second line")).isValid());

  const QTextFragment link = FragmentWith(document, QStringLiteral("example.com/vlx"));
  EXPECT_TRUE(link.charFormat().isAnchor());
  EXPECT_EQ(link.charFormat().anchorHref(), QStringLiteral("https://example.com/vlx/notes"));
  EXPECT_TRUE(document.toPlainText().contains(QStringLiteral("Band\tPower\n160 m\t1500 W")));

  // "Close" sits at the bottom right and closes the window, which then goes.
  const QRect button = window->CloseButton().geometry();
  EXPECT_GT(button.left(), window->width() / 2);
  EXPECT_GT(button.top(), view.geometry().bottom());
  QPointer<ReleaseNotesWindow> watch = window.release();
  watch->CloseButton().click();
  DeleteClosedWindows();
  EXPECT_TRUE(watch.isNull());
}

TEST_F(ReleaseNotesTest, NotesThatCannotBeShownGetABoxAndNoWindow) {
  const QString missing = folder_.filePath(QStringLiteral("vlxfwnotes.rtf"));
  const QString binary =
      WriteFile(QStringLiteral("binary.rtf"), QByteArray("{\\rtf1 notes\0\x01\x02}", 16));
  const QString binaryText = WriteFile(QStringLiteral("binary.txt"), QByteArray("MZ\0\0\x90", 5));
  const QString folder = folder_.path();
  struct Case {
    QString path;
    std::string text;
  };
  std::vector<Case> cases = {
      {QString(), "Release Notes file \"vlxfwnotes.rtf\" was not found in the Firmware Folder"},
      {missing, "Unable to open Firmware Release Notes file \"" + missing.toStdString() + "\""},
      {folder, "Unable to open Firmware Release Notes file \"" + folder.toStdString() + "\""},
      {binary, "Unable to open Firmware Release Notes file \"" + binary.toStdString() + "\""},
      {binaryText,
       "Unable to open Firmware Release Notes file \"" + binaryText.toStdString() + "\""},
  };
#if defined(Q_OS_UNIX)
  // A pipe in place of the notes must not hang the window waiting for a writer.
  const QString pipe = folder_.filePath(QStringLiteral("pipe.rtf"));
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  cases.push_back(
      {pipe, "Unable to open Firmware Release Notes file \"" + pipe.toStdString() + "\""});
#endif
  for (const Case& c : cases) {
    prompts_.boxes.clear();
    EXPECT_EQ(ShowReleaseNotes(nullptr, c.path, prompts_), nullptr) << c.text;
    ASSERT_EQ(prompts_.boxes.size(), 1u) << c.text;
    EXPECT_EQ(prompts_.boxes[0].text, c.text);
    EXPECT_EQ(prompts_.boxes[0].caption, "Release Notes Error");
    EXPECT_EQ(prompts_.boxes[0].style, mb::kIconError);
  }
}

TEST_F(ReleaseNotesTest, PlainAndTruncatedNotesShowWhatCouldBeRead) {
  struct Case {
    const char* name;
    QByteArray bytes;
    QString text;
  };
  const Case cases[] = {
      {"notes.txt", "Revision 01.52\r\nFixes \x96 many\r\n",
       QStringLiteral("Revision 01.52\nFixes \u2013 many")},
      {"cut.rtf", "{\\rtf1 Revision 01.52\\par {\\b Fixes",
       QStringLiteral("Revision 01.52\nFixes")},
      {"empty.rtf", "", QString()},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ReleaseNotesWindow> window(
        ShowReleaseNotes(nullptr, WriteFile(QString::fromUtf8(c.name), c.bytes), prompts_));
    ASSERT_NE(window, nullptr) << c.name;
    EXPECT_EQ(window->View().toPlainText(), c.text) << c.name;
  }
  EXPECT_TRUE(prompts_.boxes.empty());
}

TEST_F(ReleaseNotesTest, HolderKeepsOneWindowAndClosesItWhenItGoes) {
  QWidget owner;
  auto holder = std::make_unique<ReleaseNotesHolder>(prompts_);
  holder->Show(&owner, kFixture);
  QPointer<ReleaseNotesWindow> first = holder->Window();
  ASSERT_FALSE(first.isNull());

  holder->Show(&owner, kFixture);
  QPointer<ReleaseNotesWindow> second = holder->Window();
  EXPECT_TRUE(first.isNull());
  ASSERT_FALSE(second.isNull());

  // Opening notes that fail still closes the open window first, as the menu command does.
  holder->Show(&owner, QString());
  EXPECT_TRUE(second.isNull());
  EXPECT_EQ(holder->Window(), nullptr);
  EXPECT_EQ(prompts_.boxes.size(), 1u);

  // The user closes the window with Esc: the window goes and the holder lets go of it.
  holder->Show(&owner, kFixture);
  QTest::keyClick(holder->Window(), Qt::Key_Escape);
  DeleteClosedWindows();
  EXPECT_EQ(holder->Window(), nullptr);

  holder->Show(&owner, kFixture);
  QPointer<ReleaseNotesWindow> last = holder->Window();
  holder.reset();
  EXPECT_TRUE(last.isNull());
}

TEST_F(ReleaseNotesTest, WindowIsCentredOnItsOwner) {
  QWidget owner;
  owner.setGeometry(120, 60, 560, 480);
  owner.show();
  std::unique_ptr<ReleaseNotesWindow> window(ShowReleaseNotes(&owner, kFixture, prompts_));
  ASSERT_NE(window, nullptr);
  const QPoint offset = window->frameGeometry().center() - owner.frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

TEST(ReleaseNotesLinkTest, OnlyWebAndMailLinksLeaveTheProgram) {
  struct Case {
    const char* link;
    bool opens;
  };
  const Case cases[] = {
      {"https://example.com/vlx/notes", true}, {"http://example.com", true},
      {"HTTPS://EXAMPLE.COM", true},           {"ftp://example.com/VLX/firmware", true},
      {"mailto:support@example.com", true},    {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},          {"/usr/bin/xterm", false},
      {"smb://server/share", false},           {"", false},
  };
  std::vector<QUrl> opened;
  ReleaseNotesWindow window(RichText{}, [&opened](const QUrl& url) { opened.push_back(url); });
  for (const Case& c : cases) {
    const QUrl url(QString::fromUtf8(c.link));
    EXPECT_EQ(IsOpenableLink(url), c.opens) << c.link;
    opened.clear();
    emit window.View().anchorClicked(url);
    EXPECT_EQ(opened.size(), c.opens ? 1u : 0u) << c.link;
  }
}

}  // namespace
}  // namespace vlx
