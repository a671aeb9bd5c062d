// The Firmware page on the virtual-time test bed: the folder (Default, Browse, typing), the
// revisions it shows and the rule that enables "Send Firmware to VLX750".

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <optional>
#include <string>
#include <vector>

#include "UiServices.h"
#include "help/HelpService.h"
#include "pages/FirmwarePage.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"

namespace vlx {
namespace {

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

constexpr const char* kFolder = "/home/user/fw";
constexpr const char* kMissingLine =
    "Firmware folder does not contain required VLX firmware file\r\n"
    "Click \"Copy new files from Velqorin\"\r\n"
    "or navigate to a folder containing VLX firmware files";

// The Firmware page in a sheet next to another page, over the simulated amplifier, with a
// scripted folder chooser.
class FirmwarePageHarness {
 public:
  FirmwarePageHarness() {
    bed.files.userDataFolder = "/home/user/.local/share";
    bed.files.AddDirectory(bed.files.userDataFolder);
    bed.files.AddEntry(std::string(kFolder) + "/VLX750fp0152.hex");
    bed.app.firmwareFolder.Set(kFolder);
    page = new FirmwarePage(services_, "VLX Utility Revision 1.2.3.0", "OS Version 6.1 Test");
    sheet_.addTab(new QWidget, QStringLiteral("Port"));
    sheet_.addTab(page, page->Caption());
  }

  void Show() {
    sheet_.setCurrentIndex(1);
    sheet_.show();
    // Focus moves only within the active window.
    QApplication::setActiveWindow(&sheet_);
  }

  QPushButton& Button(const char* name) const { return *page->findChild<QPushButton*>(name); }
  QLineEdit& FolderBox() const { return *page->findChild<QLineEdit*>("firmwareFolder"); }
  QString Label(const char* name) const { return page->findChild<QLabel*>(name)->text(); }

  // The user types into the folder box and leaves it.
  void TypeFolder(const QString& text) {
    FolderBox().setFocus();
    FolderBox().selectAll();
    TypeKeys(text);
    Button("browseFolder").setFocus();
  }

  test::LinkTestBed bed;
  std::optional<std::string> chosenFolder;
  std::vector<std::pair<QString, std::string>> chooserCalls;  // title, start
  FirmwarePage* page;

 private:
  // Replaces the selected text by `text`, typed key by key.
  void TypeKeys(const QString& text) {
    FolderBox().del();
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(&FolderBox(), &press);
    }
  }

  NoHelp help_;
  UiServices services_{bed.app,
                       bed.app.Boxes(),
                       bed.time,
                       help_,
                       {},
                       [this](QWidget*, const QString& title, const std::string& start) {
                         chooserCalls.emplace_back(title, start);
                         return chosenFolder;
                       }};
  QTabWidget sheet_;  // destroyed first: the page leaves its subscriptions while the model lives
};

struct SendRuleCase {
  const char* label;
  bool file;
  std::uint32_t deviceType;
  std::uint32_t deviceState;
  std::uint16_t revision;
  bool enabled;
};

class SendButtonRule : public ::testing::TestWithParam<SendRuleCase> {};

TEST_P(SendButtonRule, EnablesSendOnlyForAFileAndAnAmplifierReadyForIt) {
  const SendRuleCase& c = GetParam();
  FirmwarePageHarness harness;
  if (!c.file) {
    harness.bed.app.firmwareFolder.Set("/home/user/empty");
    harness.bed.files.AddDirectory("/home/user/empty");
  }
  harness.bed.app.deviceType.Set(c.deviceType);
  harness.bed.app.revision.Set(c.revision);
  harness.bed.app.deviceState.Set(c.deviceState);
  harness.Show();
  EXPECT_EQ(harness.Button("sendFirmware").isEnabled(), c.enabled);

  // The rule is applied again on every change of the device state.
  harness.bed.app.deviceType.Set(device_type::kNone);
  harness.bed.app.deviceState.Publish(device_state::kNotResponding);
  EXPECT_FALSE(harness.Button("sendFirmware").isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendButtonRule,
    ::testing::Values(SendRuleCase{"OperatingWithKnownRevision", true, device_type::kVlx750,
                                   device_state::kOperating, 123, true},
                      SendRuleCase{"NoFirmwareFile", false, device_type::kVlx750,
                                   device_state::kOperating, 123, false},
                      SendRuleCase{"RevisionUnknown", true, device_type::kVlx750,
                                   device_state::kOperating, 0, false},
                      SendRuleCase{"RevisionNotAvailable", true, device_type::kVlx750,
                                   device_state::kOperating, 9999, false},
                      SendRuleCase{"RevisionLoading", true, device_type::kVlx750,
                                   device_state::kOperating, 0xFFFE, false},
                      SendRuleCase{"InTheLoaderWhateverTheRevision", true, device_type::kVlx750,
                                   device_state::kWaitingInLoader, 0, true},
                      SendRuleCase{"InTheLoaderWithoutAFile", false, device_type::kVlx750,
                                   device_state::kWaitingInLoader, 0, false},
                      SendRuleCase{"AnotherDeviceInItsLoader", true, device_type::kQmv1200,
                                   device_state::kWaitingInLoader, 0, false},
                      SendRuleCase{"UnnamedDeviceOperating", true, device_type::kNone,
                                   device_state::kOperating, 123, true},
                      SendRuleCase{"UnnamedDeviceInALoader", true, device_type::kNone,
                                   device_state::kWaitingInLoader, 0, false}),
    test::ByLabel());

TEST(FirmwarePageControls, ShowsTheRevisionsAndTellsWhenTheFolderHasNoFirmware) {
  FirmwarePageHarness harness;
  harness.bed.app.mainWindowReady.Set(1);
  harness.Show();
  EXPECT_EQ(harness.FolderBox().text(), kFolder);
  EXPECT_EQ(harness.Label("availableRevision"), "01.52");
  EXPECT_EQ(harness.Label("installedRevision"), "??.??");
  EXPECT_EQ(harness.page->Scan().firmware.path, std::string(kFolder) + "/VLX750fp0152.hex");
  EXPECT_TRUE(harness.bed.status.statusLines.empty());
  // The port is closed: showing the page scans but does not search.
  EXPECT_TRUE(harness.bed.contact().IsIdle());

  harness.bed.app.revision.Publish(123);
  EXPECT_EQ(harness.Label("installedRevision"), "01.23");

  harness.bed.app.firmwareFolder.Publish("/home/user/empty");
  EXPECT_EQ(harness.Label("availableRevision"), "Missing");
  EXPECT_EQ(harness.bed.status.statusLines, std::vector<std::string>{kMissingLine});
  EXPECT_FALSE(harness.Button("copyNewFiles").isEnabled());
  EXPECT_EQ(harness.Button("copyNewFiles").toolTip(), "Get new firmware from Velqorin file server");
}

TEST(FirmwarePageControls, CheckRevisionNowScansAgainAndSearchesForTheAmplifier) {
  FirmwarePageHarness harness;
  harness.Show();
  EXPECT_EQ(harness.Label("availableRevision"), "01.52");
  harness.bed.files.AddEntry(std::string(kFolder) + "/VLX750fp0160.hex");

  harness.Button("checkRevision").click();
  EXPECT_EQ(harness.Label("availableRevision"), "01.60");
  EXPECT_FALSE(harness.bed.contact().IsIdle());
  ASSERT_TRUE(harness.bed.RunContactToEnd());
  EXPECT_EQ(harness.Label("installedRevision"), "01.23");
  EXPECT_TRUE(harness.Button("sendFirmware").isEnabled());
}

TEST(FirmwarePageControls, DefaultAndBrowseSetTheFolder) {
  FirmwarePageHarness harness;
  harness.Show();

  harness.Button("defaultFolder").click();
  const std::string defaultFolder = "/home/user/.local/share/Velqorin/VLX Firmware";
  EXPECT_EQ(harness.bed.app.firmwareFolder.Get(), defaultFolder);
  EXPECT_EQ(harness.FolderBox().text().toStdString(), defaultFolder);
  EXPECT_TRUE(harness.bed.files.IsDirectory(defaultFolder));
  EXPECT_EQ(harness.Label("availableRevision"), "Missing");

  harness.chosenFolder = kFolder;
  harness.Button("browseFolder").click();
  ASSERT_EQ(harness.chooserCalls.size(), 1u);
  EXPECT_EQ(harness.chooserCalls[0].first, "Select folder containing VLX firmware file");
  EXPECT_EQ(harness.chooserCalls[0].second, defaultFolder);
  EXPECT_EQ(harness.bed.app.firmwareFolder.Get(), kFolder);
  EXPECT_EQ(harness.Label("availableRevision"), "01.52");

  // Cancel changes nothing.
  harness.chosenFolder.reset();
  harness.Button("browseFolder").click();
  EXPECT_EQ(harness.bed.app.firmwareFolder.Get(), kFolder);
}

TEST(FirmwarePageControls, ATypedFolderCountsWhenItDiffersLetterCaseIncluded) {
  FirmwarePageHarness harness;
  test::RecordingListener folderListener;
  harness.bed.app.firmwareFolder.Subscribe(folderListener);
  harness.bed.files.AddEntry("/home/user/FW/VLX750fp0149.hex");
  harness.Show();

  struct Case {
    const char* typed;
    const char* folder;  // FirmwareFolder afterwards
    std::size_t notifications;
    const char* available;
  };
  const Case cases[] = {
      {"  /home/user/fw  ", kFolder, 0, "01.52"},  // the same folder, blanks aside
      {"/home/user/FW", "/home/user/FW", 1, "01.49"},
      {"/home/user/fw", kFolder, 2, "01.52"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    harness.TypeFolder(c.typed);
    EXPECT_EQ(harness.bed.app.firmwareFolder.Get(), c.folder);
    EXPECT_EQ(folderListener.received.size(), c.notifications);
    EXPECT_EQ(harness.Label("availableRevision").toStdString(), c.available);
  }
  harness.bed.app.firmwareFolder.Unsubscribe(folderListener);
}

TEST(FirmwarePageControls, EnterInTheFolderBoxMovesOnAndTakesTheFolder) {
  FirmwarePageHarness harness;
  harness.bed.files.AddEntry("/srv/fw/VLX750fp0150.hex");
  harness.Show();
  harness.FolderBox().setFocus();
  harness.FolderBox().setText("/srv/fw");
  emit harness.FolderBox().textEdited("/srv/fw");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(&harness.FolderBox(), &enter);
  EXPECT_FALSE(harness.FolderBox().hasFocus());
  EXPECT_EQ(harness.bed.app.firmwareFolder.Get(), "/srv/fw");
  EXPECT_EQ(harness.Label("availableRevision"), "01.50");
}

TEST(FirmwarePageControls, TheFolderBoxTakesLongPaths) {
  FirmwarePageHarness harness;
  EXPECT_GE(harness.FolderBox().maxLength(), 4095);
}

TEST(FirmwarePageControls, SendToAnAmplifierThatDoesNotRespondIsReported) {
  FirmwarePageHarness harness;
  harness.bed.app.deviceType.Set(device_type::kVlx750);
  harness.bed.app.revision.Set(123);
  harness.Show();
  ASSERT_TRUE(harness.Button("sendFirmware").isEnabled());

  harness.Button("sendFirmware").click();
  ASSERT_EQ(harness.bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(harness.bed.prompts.boxes[0].text, "VLX is not responding");
  EXPECT_EQ(harness.bed.prompts.boxes[0].caption, "Error");
  EXPECT_EQ(harness.bed.status.statusLines.back(), "Ready");
}

}  // namespace
}  // namespace vlx
