// The Copy Files dialog offscreen over a scripted server and an in-memory folder: a clean run
// closes it, Cancel and Esc end it at once, the close box waits for the run, and the Firmware
// page's button runs it and shows the new revision afterwards.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "UiServices.h"
#include "dialogs/FtpCopyDialog.h"
#include "help/HelpService.h"
#include "pages/ActivityLog.h"
#include "pages/FirmwarePage.h"
#include "support/LinkTestBed.h"
#include "support/ScriptedFtpClient.h"

namespace vlx {
namespace {

using test::FtpCall;

constexpr const char* kFolder = "/home/user/fw";
constexpr const char* kGoodHex = ":020800000102F3\n:00000001FF\n";

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

class FtpCopyDialogTest : public ::testing::Test {
 protected:
  FtpCopyDialogTest() {
    bed.files.AddDirectory(kFolder);
    services.ftpLocalFiles = &bed.files;
  }

  // Connect and the folder, then a listing of one newer firmware file; each step waits for
  // its event, as with the real client.
  void ScriptNewerFirmware(test::ScriptedFtpClient& client, bool fetchCompletes = true) {
    client.Append({.call = FtpCall::kConnect, .answer = kFtpPending});
    client.Append({.call = FtpCall::kSetCurrentDirectory, .answer = kFtpPending});
    client.Append({.call = FtpCall::kFindFirstFile,
                   .answer = kFtpPending,
                   // A fetch that never ends shows how far a bigger file got.
                   .entry = FtpEntry{"VLX750fp0152.hex",
                                     fetchCompletes ? std::strlen(kGoodHex) : 40960, false}});
    client.Append(
        {.call = FtpCall::kFindNextFile, .answer = kFtpPending, .eventResult = err::kNoMoreFiles});
    if (fetchCompletes) {
      client.Append(
          {.call = FtpCall::kGetFile,
           .answer = kFtpPending,
           .effect = [this](const std::string& path) { bed.files.PutFile(path, kGoodHex); }});
    } else {
      client.Append({.call = FtpCall::kGetFile, .answer = kFtpPending});
    }
  }

  // A dialog over a scripted client; `client` stays usable to deliver its events.
  std::unique_ptr<FtpCopyDialog> MakeDialog(test::ScriptedFtpClient*& client) {
    auto owned = std::make_unique<test::ScriptedFtpClient>();
    client = owned.get();
    return std::make_unique<FtpCopyDialog>(services, std::move(owned),
                                           FtpCopyOptions{{"ftp.example.org", 21}, kFolder, false},
                                           nullptr);
  }

  // Shows the dialog and lets its run start.
  static void Open(FtpCopyDialog& dialog) {
    dialog.show();
    QApplication::processEvents();
  }

  test::LinkTestBed bed;
  NoHelp help;
  UiServices services{bed.app, bed.prompts, bed.time, help};
};

TEST_F(FtpCopyDialogTest, ACleanRunClosesItself) {
  test::ScriptedFtpClient* client = nullptr;
  auto dialog = MakeDialog(client);
  ScriptNewerFirmware(*client);
  Open(*dialog);
  EXPECT_TRUE(dialog->Run().Running());

  client->DeliverAll();

  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), FtpCopyDialog::kCopied);
  EXPECT_EQ(bed.files.Files().at(std::string(kFolder) + "/VLX750fp0152.hex"), kGoodHex);
  EXPECT_EQ(bed.status.statusLines.back(), "Copied 1 files from Velqorin to /home/user/fw");
}

TEST_F(FtpCopyDialogTest, CancelAndEscEndTheRunAtOnce) {
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Esc" : "Cancel");
    test::ScriptedFtpClient* client = nullptr;
    auto dialog = MakeDialog(client);
    ScriptNewerFirmware(*client, false);
    Open(*dialog);
    while (dialog->Run().CurrentState() != FtpCopyRun::kGettingFile && client->DeliverNext()) {
    }
    dialog->Refresh();
    EXPECT_EQ(dialog->ProgressText().text(), "VLX750fp0152.hex: 0 of 40 KiB");
    if (escape) {
      dialog->grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/ftp-copy-fetching.png"));
    }

    if (escape) {
      QTest::keyClick(dialog.get(), Qt::Key_Escape);
    } else {
      dialog->Button().click();
    }

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), FtpCopyDialog::kNotCopied);
    EXPECT_TRUE(client->Closed());
    dialog->Refresh();
    EXPECT_TRUE(dialog->Log().toPlainText().endsWith(
        "Cancel Button completed with error 0x000004C7: " +
        QString::fromStdString(FormatErrorText(err::kCancelled))));
    // Nothing of the fetch is left in the folder.
    EXPECT_EQ(bed.files.Files().size(), 0U);
  }
}

TEST_F(FtpCopyDialogTest, TheCloseBoxWaitsForTheRunThenCloses) {
  test::ScriptedFtpClient* client = nullptr;
  auto dialog = MakeDialog(client);
  client->Append({.call = FtpCall::kConnect, .answer = kFtpPending, .eventResult = 12029});
  Open(*dialog);

  EXPECT_FALSE(dialog->close());
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->Run().Running());

  client->DeliverAll();
  EXPECT_EQ(dialog->Button().text(), "Close");
  dialog->Refresh();
  QApplication::processEvents();  // the layout without the bar
  dialog->grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/ftp-copy-failed.png"));
  EXPECT_TRUE(dialog->Log().toPlainText().endsWith("Click \"Close\" to close this window"));

  EXPECT_TRUE(dialog->close());
  EXPECT_EQ(dialog->result(), FtpCopyDialog::kNotCopied);
}

TEST_F(FtpCopyDialogTest, EnterLeavesTheRunAloneAndClosesOnceItStopped) {
  test::ScriptedFtpClient* client = nullptr;
  auto dialog = MakeDialog(client);
  client->Append({.call = FtpCall::kConnect, .answer = kFtpPending, .eventResult = 12029});
  Open(*dialog);
  dialog->activateWindow();

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->Run().Running());
  EXPECT_TRUE(dialog->Progress().isVisible());

  client->DeliverAll();
  EXPECT_FALSE(dialog->Progress().isVisible());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), FtpCopyDialog::kNotCopied);
}

TEST_F(FtpCopyDialogTest, TheFirmwarePageRunsTheCopyAndShowsTheNewRevision) {
  bed.files.PutListedFile(std::string(kFolder) + "/VLX750fp0150.hex", kGoodHex);
  bed.app.firmwareFolder.Set(kFolder);
  // A server that answers every request at once.
  services.ftpClients = [this] {
    auto client = std::make_unique<test::ScriptedFtpClient>();
    client->Append({.call = FtpCall::kConnect});
    client->Append({.call = FtpCall::kSetCurrentDirectory});
    client->Append({.call = FtpCall::kFindFirstFile, .entry = FtpEntry{"VLX750fp0152.hex"}});
    client->Append({.call = FtpCall::kFindNextFile, .answer = err::kNoMoreFiles});
    client->Append({.call = FtpCall::kGetFile, .effect = [this](const std::string& path) {
                      bed.files.PutFile(path, kGoodHex);
                    }});
    return client;
  };
  FirmwarePage page(services, "VLX Utility Revision 1.2.3.0", "OS Version 6.1 Test");
  page.show();
  QApplication::processEvents();
  EXPECT_EQ(page.findChild<QLabel*>("availableRevision")->text(), "01.50");
  QPushButton& copy = *page.findChild<QPushButton*>("copyNewFiles");
  ASSERT_TRUE(copy.isEnabled());

  copy.click();

  EXPECT_EQ(page.findChild<QLabel*>("availableRevision")->text(), "01.52");
  EXPECT_NE(std::find(bed.status.statusLines.begin(), bed.status.statusLines.end(),
                      "Copied 1 files from Velqorin to /home/user/fw"),
            bed.status.statusLines.end());
  EXPECT_NE(std::find(bed.status.statusLines.begin(), bed.status.statusLines.end(), "Ready"),
            bed.status.statusLines.end());
}

}  // namespace
}  // namespace vlx
