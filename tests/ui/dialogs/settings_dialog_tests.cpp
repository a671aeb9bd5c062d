// The Settings dialog: the FTP server text by the rule vlxctl's --ftp-server uses, stored at
// once when it names a server (or is empty, the maker's), refused with a message otherwise; and
// File > Settings... opens it from the window.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <string_view>

#include "dialogs/SettingsDialog.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"
#include "support/ui/WindowTestBed.h"

namespace vlx {
namespace {

constexpr const char* kStored = "ftp.example.org:2121";

std::optional<std::string> StoredServer(const test::InMemorySettingsStore& store) {
  const auto value = store.Read("", "FtpServer");
  return value ? std::optional<std::string>(value->text) : std::nullopt;
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  // The server was set in an earlier run.
  SettingsDialogTest() {
    bed_.store.PutString("FtpServer", kStored);
    bed_.app.LoadSettings();
  }

  test::LinkTestBed bed_;
};

struct ServerCase {
  const char* label;
  const char* text;
  bool taken;
};

class SettingsDialogServerTest : public SettingsDialogTest,
                                 public ::testing::WithParamInterface<ServerCase> {};

TEST_P(SettingsDialogServerTest, StoresWhatNamesAServerAndRefusesTheRest) {
  SettingsDialog dialog(bed_.app, nullptr);
  dialog.show();
  dialog.FtpServerEdit().setText(GetParam().text);
  dialog.accept();

  if (GetParam().taken) {
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(bed_.app.ftpServer.Get(), GetParam().text);
    EXPECT_EQ(StoredServer(bed_.store), GetParam().text);
  } else {
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.Problem().isVisibleTo(&dialog));
    EXPECT_EQ(dialog.Problem().textFormat(), Qt::PlainText);
    EXPECT_EQ(dialog.Problem().text(),
              QStringLiteral("\"%1\" is not a host name, host:port or [IPv6 address]:port. The "
                             "FTP server was not changed.")
                  .arg(GetParam().text));
    if (std::string_view(GetParam().label) == "PortZero") {
      dialog.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/settings-refused.png"));
    }
    EXPECT_EQ(bed_.app.ftpServer.Get(), kStored);
    EXPECT_EQ(StoredServer(bed_.store), kStored);
    // Typing again takes the message away.
    dialog.FtpServerEdit().textEdited("x");
    EXPECT_FALSE(dialog.Problem().isVisibleTo(&dialog));
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, SettingsDialogServerTest,
                         ::testing::Values(ServerCase{"Host", "ftp.example.org", true},
                                           ServerCase{"HostAndPort", "127.0.0.1:2121", true},
                                           ServerCase{"BracketedV6AndPort", "[::1]:2121", true},
                                           ServerCase{"EmptyForTheMakers", "", true},
                                           ServerCase{"PortZero", "ftp.example.org:0", false},
                                           ServerCase{"PortTooBig", "ftp.example.org:65536", false},
                                           ServerCase{"BarePort", ":21", false},
                                           ServerCase{"UnclosedBracket", "[::1:21", false},
                                           ServerCase{"BareV6", "::1", false},
                                           ServerCase{"Blank", "ftp.example.org ", false},
                                           ServerCase{"Markup", "<b>ftp</b>", false}),
                         test::ByLabel());

TEST_F(SettingsDialogTest, ShowsTheSettingAndRestoreDefaultEmptiesTheBox) {
  SettingsDialog dialog(bed_.app, nullptr);
  EXPECT_EQ(dialog.FtpServerEdit().text(), kStored);
  // The empty box names the server it stands for.
  EXPECT_EQ(dialog.FtpServerEdit().placeholderText(), "ftp.velqorin.com");

  dialog.RestoreDefaultButton().click();
  EXPECT_TRUE(dialog.FtpServerEdit().text().isEmpty());
  EXPECT_EQ(bed_.app.ftpServer.Get(), kStored);  // only OK stores

  dialog.accept();
  EXPECT_EQ(StoredServer(bed_.store), "");
}

TEST_F(SettingsDialogTest, CancelStoresNothing) {
  SettingsDialog dialog(bed_.app, nullptr);
  dialog.FtpServerEdit().setText("other.example.org");
  dialog.reject();
  EXPECT_EQ(bed_.app.ftpServer.Get(), kStored);
  EXPECT_EQ(StoredServer(bed_.store), kStored);
}

TEST(SettingsMenu, FileSettingsOpensTheDialogAndItsOkStoresTheServer) {
  test::WindowTestBed bed;
  MainWindow& window = bed.Open();
  QAction* settings = nullptr;
  for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
    if (action->text() == "&Settings...") {
      settings = action;
    }
  }
  ASSERT_NE(settings, nullptr);

  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->FtpServerEdit().setText("[::1]:2121");
    dialog->accept();
  });
  settings->trigger();

  EXPECT_EQ(bed.app.ftpServer.Get(), "[::1]:2121");
  EXPECT_EQ(StoredServer(bed.store), "[::1]:2121");
}

}  // namespace
}  // namespace vlx
