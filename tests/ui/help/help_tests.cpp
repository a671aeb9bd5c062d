// Help: the request text of a help error, every topic the program asks for landing on its page and
// anchor, the "Help Error" box for a topic without a page, and links between the pages.

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <memory>

#include "help/HelpViewer.h"
#include "help/QtHelpService.h"
#include "support/RecordingSinks.h"

namespace vlx {
namespace {

QString ReadPage(const QString& name) {
  QFile file(QStringLiteral(":/help/") + name);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The anchors a page declares and the links it holds, read from its source.
QStringList Captures(const QString& html, const QString& attribute) {
  QStringList values;
  const QRegularExpression pattern(attribute + QStringLiteral(R"re(\s*=\s*"([^"]*)")re"),
                                   QRegularExpression::CaseInsensitiveOption);
  for (auto it = pattern.globalMatch(html); it.hasNext();) {
    values << it.next().captured(1);
  }
  return values;
}

// The block holding the named anchor as the browser parsed it; invalid when there is none.
QTextBlock AnchorBlock(const QTextDocument& document, const QString& name) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat().anchorNames().contains(name)) {
        return block;
      }
    }
  }
  return {};
}

class HelpTest : public ::testing::Test {
 protected:
  test::ScriptedPrompts prompts_;
  QtHelpService help_{prompts_, QStringLiteral("/usr/bin/vlxutility")};
};

TEST(HelpRequestTextTest, NamesTheHelpFileBesideTheProgramWithTheTopic) {
  struct Case {
    const char* program;
    const char* topic;
    const char* request;
  };
  const Case cases[] = {
      {"/usr/bin/vlxutility", "Port.htm", "/usr/bin/vlxutility.chm::/Port.htm>$global_main"},
      {"/usr/bin/vlxutility", "", "/usr/bin/vlxutility.chm>$global_main"},
      {"C:/Program Files/VLX/VLX Utility.exe", "Configuration.htm#PowerOnBanner",
       "C:/Program Files/VLX/VLX Utility.chm::/Configuration.htm#PowerOnBanner>$global_main"},
      // Only the file name's extension is replaced, never a dot in a folder name.
      {"/home/ham/vlx-1.0/vlxutility", "", "/home/ham/vlx-1.0/vlxutility.chm>$global_main"},
      {"/opt/vlx.d/.vlxutility", "", "/opt/vlx.d/.vlxutility.chm>$global_main"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HelpRequestText(QString::fromUtf8(c.program), QString::fromUtf8(c.topic)),
              QString::fromUtf8(c.request))
        << c.program << " / " << c.topic;
  }
}

TEST_F(HelpTest, EveryTopicOfTheProgramOpensItsPageScrolledToItsAnchor) {
  struct Case {
    const char* topic;
    const char* page;
    const char* anchor;
  };
  const Case cases[] = {
      {"", "index.html", ""},
      {"Port.htm", "Port.htm", ""},
      {"Firmware.htm", "Firmware.htm", ""},
      {"Configuration.htm", "Configuration.htm", ""},
      {"Configuration.htm#PowerOnBanner", "Configuration.htm", "PowerOnBanner"},
      {"CommandTester.htm", "CommandTester.htm", ""},
      {"CommandTester.htm#macroButtons", "CommandTester.htm", "macroButtons"},
  };
  QWidget owner;
  HelpViewer* first = nullptr;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.topic);
    help_.ShowHelp(&owner, QString::fromUtf8(c.topic));
    HelpViewer* viewer = help_.Viewer();
    ASSERT_NE(viewer, nullptr);
    if (first == nullptr) {
      first = viewer;
    }
    EXPECT_EQ(viewer, first) << "one help window, reused";
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("VLX Utility Help"));

    QTextBrowser& browser = viewer->Browser();
    const QUrl source = browser.source();
    EXPECT_EQ(source.adjusted(QUrl::RemoveFragment),
              QUrl(QStringLiteral("qrc:/help/") + QString::fromUtf8(c.page)));
    EXPECT_FALSE(browser.toPlainText().trimmed().isEmpty());
    const QString anchor = QString::fromUtf8(c.anchor);
    EXPECT_EQ(source.fragment(), anchor);
    if (anchor.isEmpty()) {
      continue;
    }
    const QTextBlock block = AnchorBlock(*browser.document(), anchor);
    ASSERT_TRUE(block.isValid()) << "no anchor " << c.anchor << " in " << c.page;
    QApplication::processEvents();
    const qreal top = browser.document()->documentLayout()->blockBoundingRect(block).top() -
                      browser.verticalScrollBar()->value();
    EXPECT_GE(top, 0);
    EXPECT_LT(top, browser.viewport()->height()) << "the anchor is not in view";
  }
}

TEST_F(HelpTest, ATopicWithoutAPageShowsTheHelpErrorBoxAndNoViewer) {
  const char* topics[] = {"Operate.htm", "Missing.htm#macroButtons", "../resources.qrc", "#top"};
  for (const char* topic : topics) {
    SCOPED_TRACE(topic);
    prompts_.boxes.clear();
    QWidget owner;
    help_.ShowHelp(&owner, QString::fromUtf8(topic));
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].text,
              std::string("/usr/bin/vlxutility.chm::/") + topic + ">$global_main");
    EXPECT_EQ(prompts_.boxes[0].caption, "Help Error");
    EXPECT_EQ(prompts_.boxes[0].style, mb::kIconWarning);
    EXPECT_EQ(help_.Viewer(), nullptr);
  }
}

TEST_F(HelpTest, BackForwardAndContentsMoveThroughThePages) {
  QWidget owner;
  help_.ShowHelp(&owner, QStringLiteral("Port.htm"));
  HelpViewer& viewer = *help_.Viewer();
  auto* back = viewer.findChild<QPushButton*>(QStringLiteral("helpBack"));
  auto* forward = viewer.findChild<QPushButton*>(QStringLiteral("helpForward"));
  auto* contents = viewer.findChild<QPushButton*>(QStringLiteral("helpContents"));
  ASSERT_TRUE(back && forward && contents);
  EXPECT_FALSE(back->isEnabled());

  contents->click();
  EXPECT_EQ(viewer.Browser().source(), QUrl(QStringLiteral("qrc:/help/index.html")));
  ASSERT_TRUE(back->isEnabled());
  back->click();
  EXPECT_EQ(viewer.Browser().source(), QUrl(QStringLiteral("qrc:/help/Port.htm")));
  ASSERT_TRUE(forward->isEnabled());
  forward->click();
  EXPECT_EQ(viewer.Browser().source(), QUrl(QStringLiteral("qrc:/help/index.html")));
}

TEST_F(HelpTest, HelpAskedForFromADialogBelongsToThatDialog) {
  QWidget mainWindow;
  auto dialog = std::make_unique<QDialog>(&mainWindow);
  QWidget* field = new QWidget(dialog.get());
  help_.ShowHelp(field, QStringLiteral("CommandTester.htm#macroButtons"));
  ASSERT_NE(help_.Viewer(), nullptr);
  // A modal dialog blocks every window but its own children.
  EXPECT_EQ(help_.Viewer()->parentWidget(), dialog.get());

  dialog.reset();
  EXPECT_EQ(help_.Viewer(), nullptr);
  help_.ShowHelp(&mainWindow, QString());
  ASSERT_NE(help_.Viewer(), nullptr);
  EXPECT_EQ(help_.Viewer()->parentWidget(), &mainWindow);
  EXPECT_EQ(help_.Viewer()->Browser().source(), QUrl(QStringLiteral("qrc:/help/index.html")));
}

TEST_F(HelpTest, EveryLinkOfThePagesReachesAPageAndAnchorThatExist) {
  ASSERT_TRUE(HelpTopicUrl(QString()).isValid());  // registers the pages
  const QStringList pages = QDir(QStringLiteral(":/help")).entryList(QDir::Files);
  ASSERT_FALSE(pages.isEmpty());
  QStringList reachedFromContents;
  for (const QString& page : pages) {
    SCOPED_TRACE(page.toStdString());
    const QString html = ReadPage(page);
    ASSERT_FALSE(html.isEmpty());
    for (const QString& href : Captures(html, QStringLiteral("href"))) {
      const QUrl target = QUrl(QStringLiteral("qrc:/help/") + page).resolved(QUrl(href));
      const QString targetPage = QFileInfo(target.path()).fileName();
      ASSERT_TRUE(pages.contains(targetPage)) << "broken link " << href.toStdString();
      if (target.hasFragment()) {
        EXPECT_TRUE(
            Captures(ReadPage(targetPage), QStringLiteral("name")).contains(target.fragment()))
            << "no anchor for " << href.toStdString();
      }
      if (page == QStringLiteral("index.html")) {
        reachedFromContents << targetPage;
      }
    }
  }
  for (const QString& page : pages) {
    EXPECT_TRUE(page == QStringLiteral("index.html") || reachedFromContents.contains(page))
        << page.toStdString() << " is not linked from the contents";
  }
}

}  // namespace
}  // namespace vlx
