// The Configuration page and its Save and Restore dialogs on the virtual-time test bed: the rule
// that enables the buttons, a failed save that leaves "Close", the question before a restore is
// interrupted, and Cancel once the restore can no longer be stopped.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <functional>

#include "UiServices.h"
#include "UiText.h"
#include "dialogs/ConfigurationTransferDialog.h"
#include "help/HelpService.h"
#include "pages/ConfigurationPage.h"
#include "report/ConfigTextIds.h"
#include "report/StringTable.h"
#include "support/EepromBed.h"
#include "support/FileContents.h"
#include "support/ui/WindowTestBed.h"

namespace vlx {
namespace {

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

constexpr const char* kGoldenName = "SN01234.20240102T030405.VLXConfig";

// Runs `drive` with the dialog once its modal loop runs.
template <typename Dialog>
void WhenDialogRuns(std::function<void(Dialog&)> drive) {
  QTimer::singleShot(0, [drive = std::move(drive)] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    drive(*dialog);
  });
}

void PressEscape(QWidget& widget) {
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&widget, &escape);
}

class ConfigurationUiTest : public ::testing::Test {
 protected:
  explicit ConfigurationUiTest(vlxsim::AmplifierConfig config = {}) : bed(std::move(config)) {
    bed.files.userDataFolder = "/home/user/.local/share";
    bed.files.AddDirectory(bed.files.userDataFolder);
    bed.files.AddDirectory("/files");
    bed.files.PutFile(std::string("/files/") + kGoldenName,
                      test::Fixture(std::string("config/") + kGoldenName));
    bed.app.serialNumber.Set(1234);
  }

  void ChooseFile(const std::string& path) {
    bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, path});
  }
  bool RunUntilSends(std::size_t count) {
    return bed.time.RunUntil([&] { return bed.Sends() >= count; }, 10000);
  }
  // A run that ends well closes its dialog at once, and the machine goes with it.
  bool RunUntilTheRunEnds(std::uint32_t limitMs) {
    return bed.time.RunUntil(
        [&] {
          const Machine* machine = bed.app.TransientMachine();
          return machine == nullptr || machine->IsIdle();
        },
        limitMs);
  }

  test::EepromBed bed;
  NoHelp help;
  UiServices services{bed.app, bed.app.Boxes(), bed.time, help, {}, {}};
};

TEST_F(ConfigurationUiTest, PageButtonsWorkOnlyWhileTheAmplifierOperates) {
  QTabWidget sheet;
  auto* page = new ConfigurationPage(services, "Velqorin VLX Utility Revision 1.0.0.0");
  sheet.addTab(page, page->Caption());
  bed.app.SetDeviceState(device_state::kNotResponding);
  sheet.show();
  const QList<QPushButton*> buttons = page->findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 4);
  for (QPushButton* button : buttons) {
    EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
  }
  bed.app.SetDeviceState(device_state::kOperating);
  for (QPushButton* button : buttons) {
    EXPECT_TRUE(button->isEnabled()) << button->text().toStdString();
  }
  EXPECT_TRUE(sheet.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/configuration-page.png")));
  bed.app.SetDeviceState(device_state::kWaitingInLoader);
  for (QPushButton* button : buttons) {
    EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
  }

  auto* save = page->findChild<QPushButton*>("saveConfigurationButton");
  EXPECT_EQ(save->text(), "Save VLX Configuration...");
  EXPECT_EQ(save->toolTip(), "Save configuration in a computer file");
  EXPECT_EQ(page->findChild<QPushButton*>("restoreConfigurationButton")->toolTip(),
            "Restore a previously saved configuration");
  EXPECT_TRUE(page->findChild<QPushButton*>("faultTableButton")->toolTip().isEmpty());
  EXPECT_EQ(page->findChild<QPushButton*>("editBannerButton")->toolTip(),
            LoadText(ids::kTipEditBanner));
  EXPECT_EQ(page->HelpTopic(), "Configuration.htm");

  // The two buttons whose dialogs live elsewhere call their hooks.
  bed.app.SetDeviceState(device_state::kOperating);
  int faultTables = 0;
  int banners = 0;
  page->showFaultTable = [&](QWidget* owner) {
    EXPECT_EQ(owner, page);
    ++faultTables;
  };
  page->editBanner = [&](QWidget* owner) {
    EXPECT_EQ(owner, page);
    ++banners;
  };
  page->findChild<QPushButton*>("faultTableButton")->click();
  page->findChild<QPushButton*>("editBannerButton")->click();
  EXPECT_EQ(faultTables, 1);
  EXPECT_EQ(banners, 1);
}

// In the main window the page follows the amplifier the window finds and loses.
TEST(ConfigurationPageInTheWindow, IsUsableOnlyWhileTheAmplifierIsFound) {
  test::WindowTestBed bed;
  bed.store.PutString("Port", test::SimulatedLink::kPortName);
  MainWindow& window = bed.Open();
  window.show();
  window.Pages().setCurrentIndex(3);
  Page* page = &window.PageAt(3);
  ASSERT_EQ(page->objectName(), "configurationPage");
  auto* save = page->findChild<QPushButton*>("saveConfigurationButton");
  EXPECT_FALSE(save->isEnabled());
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_TRUE(save->isEnabled());
  bed.app.EstablishContact().BeginClosePort();
  EXPECT_FALSE(save->isEnabled());
}

TEST_F(ConfigurationUiTest, ASaveShowsItsProgressAndCloses) {
  bed.files.AddDirectory("/out");
  ChooseFile("/out/saved.VLXConfig");
  WhenDialogRuns<SaveConfigurationDialog>([&](SaveConfigurationDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Save VLX Configuration");
    EXPECT_EQ(dialog.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(dialog.CancelButton().cursor().shape(), Qt::ArrowCursor);
    ASSERT_TRUE(RunUntilSends(3));
    EXPECT_EQ(dialog.Progress().maximum(), 224);
    EXPECT_EQ(dialog.Progress().value(), 128);
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/save-configuration.png")));
    ASSERT_TRUE(RunUntilTheRunEnds(10000));
  });
  SaveConfigurationDialog dialog(services, bed.files, "", nullptr);
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(bed.files.Files().count("/out/saved.VLXConfig"), 1u);
}

TEST_F(ConfigurationUiTest, AFailedSaveLeavesTheDialogOpenWithClose) {
  ChooseFile("/out/saved.VLXConfig");
  bed.SilenceAmplifier();
  WhenDialogRuns<SaveConfigurationDialog>([&](SaveConfigurationDialog& dialog) {
    ASSERT_TRUE(RunUntilTheRunEnds(60000));
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.CancelButton().text(), "Close");
    EXPECT_EQ(dialog.cursor().shape(), Qt::ArrowCursor);
    ASSERT_EQ(bed.prompts.boxes.size(), 1u);
    EXPECT_EQ(bed.prompts.boxes[0].caption, "Save Configuration Error");
    dialog.CancelButton().click();
  });
  SaveConfigurationDialog dialog(services, bed.files, "", nullptr);
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(bed.status.statusLines.back(), "Failed to save configuration");
}

TEST_F(ConfigurationUiTest, InterruptingARestoreAsksNoGoesOnYesStops) {
  ChooseFile(std::string("/files/") + kGoldenName);
  bed.prompts.answers = {mb::kIdNo, mb::kIdYes};
  WhenDialogRuns<RestoreConfigurationDialog>([&](RestoreConfigurationDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Restore VLX Configuration");
    EXPECT_EQ(dialog.TextLine().text().toStdString(),
              std::string("Restoring ") + kGoldenName +
                  ": serial number 01234, saved on 2024-01-02 at 03:04:05");
    EXPECT_EQ(dialog.TextLine().toolTip().toStdString(), std::string("/files/") + kGoldenName);
    ASSERT_TRUE(RunUntilSends(1));
    PressEscape(dialog);
    ASSERT_EQ(bed.prompts.boxes.size(), 1u);
    EXPECT_EQ(bed.prompts.boxes[0].text,
              "Are you sure you wish to interrupt configuration restore?");
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(RunUntilSends(2));
    dialog.close();  // the close box
    ASSERT_TRUE(RunUntilTheRunEnds(10000));
  });
  RestoreConfigurationDialog dialog(services, bed.files, nullptr);
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kCancelled});
  EXPECT_EQ(bed.status.statusLines.back(), "Restore configuration was cancelled");
  ASSERT_EQ(bed.prompts.boxes.size(), 3u);
  EXPECT_EQ(bed.prompts.boxes[2].text.rfind(LoadString(ids::kRestoreCancelledRestoreAgain), 0), 0u);
  EXPECT_NE(bed.prompts.boxes[2].text.find("The restore stopped after "), std::string::npos);
}

TEST_F(ConfigurationUiTest, OnceWrittenCancelEscapeAndTheCloseBoxDoNothing) {
  ChooseFile(std::string("/files/") + kGoldenName);
  WhenDialogRuns<RestoreConfigurationDialog>([&](RestoreConfigurationDialog& dialog) {
    EXPECT_TRUE(dialog.CancelButton().isEnabled());
    ASSERT_TRUE(bed.RunUntilSent("^rpm;", 10000));
    EXPECT_FALSE(dialog.CancelButton().isEnabled());
    PressEscape(dialog);
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(bed.prompts.boxes.empty());
    ASSERT_TRUE(RunUntilTheRunEnds(10000));
  });
  RestoreConfigurationDialog dialog(services, bed.files, nullptr);
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(bed.status.statusLines.back(), "Configuration was restored");
  EXPECT_TRUE(bed.prompts.boxes.empty());
}

TEST_F(ConfigurationUiTest, AnotherUnitsFileAnsweredCancelClosesWithNothingSent) {
  ChooseFile(std::string("/files/") + kGoldenName);
  bed.app.serialNumber.Set(4321);
  bed.prompts.answers = {mb::kIdCancel};
  RestoreConfigurationDialog dialog(services, bed.files, nullptr);
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_EQ(bed.Sends(), 0u);
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Serial Number Mismatch");
}

}  // namespace
}  // namespace vlx
