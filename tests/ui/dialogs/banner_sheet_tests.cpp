// The "Edit Power On Banner" sheet over the simulated amplifier in virtual time: the edit and
// Save wait for the first read, the edit takes only what the banner rules take, Enter saves,
// Escape cancels, and a failed write leaves the sheet open with what was typed.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <string>

#include "UiServices.h"
#include "config/BannerRules.h"
#include "dialogs/BannerSheet.h"
#include "support/EepromBed.h"
#include "support/ui/WindowTestBed.h"

namespace vlx {
namespace {

using test::EepromBed;
using test::RecordingHelp;

class BannerSheetTest : public ::testing::Test {
 protected:
  explicit BannerSheetTest(vlxsim::AmplifierConfig config = {}) : bed(std::move(config)) {}

  // Opens the sheet modally; `drive` runs inside its event loop. Returns what exec returned.
  int Run(std::function<void(BannerSheet&)> drive) {
    QTimer::singleShot(0, [drive = std::move(drive)] {
      auto* sheet = qobject_cast<BannerSheet*>(QApplication::activeModalWidget());
      ASSERT_NE(sheet, nullptr);
      drive(*sheet);
    });
    BannerSheet sheet(services, nullptr);
    return sheet.exec();
  }

  // Runs until the sheet's machine has ended; a sheet that closed has given it up.
  bool RunToEnd(BannerSheet& sheet) {
    return bed.time.RunUntil(
        [&sheet] { return sheet.Flow().Machine() == nullptr || sheet.Flow().Machine()->IsIdle(); },
        60000);
  }

  EepromBed bed;
  RecordingHelp help;
  UiServices services{bed.app, bed.app.Boxes(), bed.time, help, {}, {}};
};

TEST_F(BannerSheetTest, EditAndSaveWaitForTheFirstReadAndAnUntouchedBannerIsNotWritten) {
  bed.app.bannerText.Set("OLD");
  EXPECT_EQ(Run([&](BannerSheet& sheet) {
              EXPECT_EQ(sheet.windowTitle(), "Edit Power On Banner");
              EXPECT_EQ(sheet.SaveButton().text(), "Save");
              // The font asked for, not the one this machine's fonts give.
              const QFont font = sheet.Edit().font();
              EXPECT_TRUE(font.fixedPitch());
              EXPECT_EQ(font.styleHint(), QFont::TypeWriter);
              EXPECT_EQ(font.pointSize(), 10);
              EXPECT_EQ(sheet.Edit().text(), "OLD");
              EXPECT_FALSE(sheet.Edit().isEnabled());
              EXPECT_FALSE(sheet.SaveButton().isEnabled());
              EXPECT_TRUE(sheet.CancelButton().isEnabled());
              EXPECT_EQ(sheet.cursor().shape(), Qt::WaitCursor);
              // Enter before the read has ended saves nothing.
              QTest::keyClick(&sheet, Qt::Key_Return);
              EXPECT_TRUE(sheet.isVisible());

              ASSERT_TRUE(RunToEnd(sheet));
              EXPECT_EQ(sheet.Edit().text(), "VLX750");
              EXPECT_TRUE(sheet.Edit().isEnabled());
              EXPECT_TRUE(sheet.SaveButton().isEnabled());
              EXPECT_EQ(sheet.cursor().shape(), Qt::ArrowCursor);
              // The picture of the sheet as the user finds it.
              EXPECT_TRUE(sheet.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/banner-sheet.png")));
              sheet.SaveButton().click();
            }),
            QDialog::Accepted);
  EXPECT_EQ(bed.link.SentTexts(), std::vector<std::string>{"^ER005008A8;"});
}

TEST_F(BannerSheetTest, TypedLowerCaseIsRaisedAndTextBeyondTheRuleIsRefusedWhole) {
  Run([&](BannerSheet& sheet) {
    ASSERT_TRUE(RunToEnd(sheet));
    QLineEdit& edit = sheet.Edit();
    edit.clear();
    QTest::keyClicks(&edit, "hello wd!");
    EXPECT_EQ(edit.text(), "HELLO WD");  // the ninth character is not taken

    QClipboard& clipboard = *QApplication::clipboard();
    for (const QString& refused : {QStringLiteral("TOOLONGTEXT"), QStringLiteral("A\tB"),
                                   QString::fromUtf8("CAF\xC3\x89")}) {
      edit.clear();
      clipboard.setText(refused);
      edit.paste();
      EXPECT_EQ(edit.text(), "") << refused.toStdString();
    }
    clipboard.setText(QStringLiteral("ok 1"));
    edit.paste();
    EXPECT_EQ(edit.text(), "OK 1");
    QTest::keyClick(&edit, Qt::Key_Escape);
  });
  EXPECT_EQ(bed.link.SentTexts().size(), 1u);
}

TEST_F(BannerSheetTest, EnterWritesTheChangedTextAndTheSheetClosesWhenItIsWritten) {
  EXPECT_EQ(Run([&](BannerSheet& sheet) {
              ASSERT_TRUE(RunToEnd(sheet));
              sheet.Edit().selectAll();
              QTest::keyClicks(&sheet.Edit(), "hello");
              QTest::keyClick(&sheet.Edit(), Qt::Key_Return);
              EXPECT_FALSE(sheet.Edit().isEnabled());
              EXPECT_TRUE(sheet.isVisible());
              EXPECT_EQ(sheet.BusyLine().text(), "Writing the banner to the VLX...");
              EXPECT_TRUE(sheet.findChild<QWidget*>("busyBar")->isVisible());
              ASSERT_TRUE(bed.time.RunUntil([&] { return !sheet.isVisible(); }, 60000));
            }),
            QDialog::Accepted);
  const std::vector<std::string> sent = bed.link.SentTexts();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[1], "^EW00500648454C4C4F0036;");
  EXPECT_EQ(sent[2], "^ER005008A8;") << "read back";
  EXPECT_EQ(bed.app.bannerText.Get(), "HELLO");
  EXPECT_EQ(bed.status.statusLines.back(),
            "The power-on banner \"HELLO\" was written and read back");
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

TEST_F(BannerSheetTest, HelpButtonAndF1OpenThePowerOnBannerTopic) {
  Run([&](BannerSheet& sheet) {
    // Shortcuts work only in the active window.
    QApplication::setActiveWindow(&sheet);
    QTest::keyClick(&sheet, Qt::Key_F1);
    sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
    // Escape while the read runs: the sheet closes once the machine has ended.
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet.isVisible());
    ASSERT_TRUE(RunToEnd(sheet));
    EXPECT_FALSE(sheet.isVisible());
  });
  EXPECT_EQ(help.topics, std::vector<QString>(2, "Configuration.htm#PowerOnBanner"));
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

class BannerSheetSilentOnWrite : public BannerSheetTest {
 protected:
  BannerSheetSilentOnWrite() : BannerSheetTest(SilentOnWrite()) {}
  static vlxsim::AmplifierConfig SilentOnWrite() {
    vlxsim::AmplifierConfig config;
    config.faults.commands = {{"^EW"}};
    return config;
  }
};

TEST_F(BannerSheetSilentOnWrite, AFailedWriteIsReportedAndTheSheetStaysWithTheTypedText) {
  Run([&](BannerSheet& sheet) {
    ASSERT_TRUE(RunToEnd(sheet));
    EXPECT_TRUE(sheet.BusyLine().text().isEmpty());
    EXPECT_FALSE(sheet.findChild<QWidget*>("busyBar")->isVisible());
    sheet.Edit().setText("HELLO");
    sheet.SaveButton().click();
    ASSERT_TRUE(RunToEnd(sheet));

    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.Edit().text(), "HELLO");
    EXPECT_TRUE(sheet.Edit().isEnabled());
    EXPECT_TRUE(sheet.SaveButton().isEnabled());
    ASSERT_EQ(bed.prompts.boxes.size(), 1u);
    EXPECT_EQ(bed.prompts.boxes[0].caption, "Power On Banner Error");
    EXPECT_EQ(bed.app.bannerText.Get(), "VLX750");
    sheet.CancelButton().click();
  });
  EXPECT_EQ(bed.link.SentTexts().size(), 11u);  // the read and ten tries of the write
}

}  // namespace
}  // namespace vlx
