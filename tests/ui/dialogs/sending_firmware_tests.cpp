// The Sending Firmware dialog running real loads against the simulated amplifier in virtual
// time, and a send from the Firmware page at 9600 bit/s. The dialog is modal: each test drives
// the load from inside the dialog's own event loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "UiServices.h"
#include "dialogs/SendingFirmwareDialog.h"
#include "help/HelpService.h"
#include "pages/ActivityLog.h"
#include "pages/FirmwarePage.h"
#include "report/Prompts.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/FirmwareLoadBed.h"
#include "support/ui/WindowTestBed.h"

namespace vlx {
namespace {

using test::FirmwareLoadBed;

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

constexpr const char* kIdentity = "VLX Utility Revision 1.2.3.0";
constexpr const char* kOsLine = "OS Version 6.1 Build 0 Test OS";
constexpr std::uint32_t kPacketProgress = 4;  // progress per packet

// Runs `drive` with the dialog once its modal loop runs.
void WhenDialogRuns(std::function<void(SendingFirmwareDialog&)> drive) {
  QTimer::singleShot(0, [drive = std::move(drive)] {
    auto* dialog = qobject_cast<SendingFirmwareDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    drive(*dialog);
  });
}

std::vector<std::string> LogLines(SendingFirmwareDialog& dialog) {
  dialog.Log().FlushQueued();
  std::vector<std::string> lines;
  for (const QString& line : dialog.Log().toPlainText().split('\n')) {
    lines.push_back(line.toStdString());
  }
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SendingFirmwareDialogTest : public ::testing::Test {
 protected:
  SendingFirmwareDialogTest() { bed.Connect(); }

  // Opens the dialog modally; `drive` runs the load from inside it. Returns what exec returned.
  int Run(std::function<void(SendingFirmwareDialog&)> drive) {
    WhenDialogRuns(std::move(drive));
    SendingFirmwareDialog dialog(services, kIdentity, kOsLine, nullptr);
    const int result = dialog.exec();
    lines = LogLines(dialog);
    title = dialog.windowTitle().toStdString();
    return result;
  }

  bool RunLoadToEnd(SendingFirmwareDialog& dialog) {
    return bed.time.RunUntil(
        [&dialog] { return dialog.Machine() == nullptr || dialog.Machine()->IsIdle(); }, 200000);
  }
  bool RunUntilProgress(std::uint32_t packets) {
    return bed.time.RunUntil(
        [this, packets] { return bed.app.progressPosition.Get() >= packets * kPacketProgress; },
        200000);
  }

  FirmwareLoadBed bed;
  NoHelp help;
  UiServices services{bed.app, bed.app.Boxes(), bed.time, help, {}, {}};
  std::vector<std::string> lines;
  std::string title;
};

TEST_F(SendingFirmwareDialogTest, AGoodLoadWithoutTraceClosesByItself) {
  int progressMax = 0;
  int progressAtEnd = 0;
  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              EXPECT_TRUE(RunLoadToEnd(dialog));
              progressMax = dialog.Progress().maximum();
              progressAtEnd = dialog.Progress().value();
            }),
            SendingFirmwareDialog::kLoadSucceeded);

  EXPECT_EQ(title, "Sending VLX750 Firmware");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], kIdentity);
  EXPECT_EQ(lines[1], kOsLine);
  EXPECT_EQ(lines[2], "VLX revision 01.23. RS-232 speed 38400 bit/s");
  EXPECT_EQ(lines.back(), "VLX750 firmware load is complete");
  EXPECT_TRUE(Contains(lines, "VLX750 verification succeeded"));
  EXPECT_FALSE(Contains(lines, "Total number of retries was 0"));
  EXPECT_EQ(progressMax, 8024);
  EXPECT_EQ(progressAtEnd, progressMax);
  EXPECT_EQ(bed.app.revision.Get(), FirmwareLoadBed::kLoaded);
  EXPECT_EQ(bed.status.statusLines.back(), "VLX750 firmware load is complete");
}

TEST_F(SendingFirmwareDialogTest, WithTraceItStaysOpenWithTheTraceUntilClosed) {
  bed.app.trace.Set(1);
  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              ASSERT_TRUE(RunLoadToEnd(dialog));
              EXPECT_TRUE(dialog.isVisible());
              EXPECT_EQ(dialog.CloseButton().text(), "Close");
              dialog.CloseButton().click();
            }),
            SendingFirmwareDialog::kLoadSucceeded);
  EXPECT_EQ(lines.back(), "Click \"Close\" to close this window");
  const auto packetLines = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("LoadFirmware") && line.find(" Send 68 bytes 0x") != std::string::npos;
  });
  EXPECT_EQ(packetLines, 2007);
}

TEST_F(SendingFirmwareDialogTest, RetriesArePrintedBeforeTheVerdict) {
  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              ASSERT_TRUE(RunUntilProgress(10));
              vlxsim::Faults faults;
              faults.frames = {{0, vlxsim::FrameFault::Kind::kReject},
                               {1, vlxsim::FrameFault::Kind::kReject},
                               {40, vlxsim::FrameFault::Kind::kReject}};
              bed.link.SetFaults(faults);
              EXPECT_TRUE(RunLoadToEnd(dialog));
            }),
            SendingFirmwareDialog::kLoadSucceeded);
  const auto total = std::find(lines.begin(), lines.end(), "Total number of retries was 3");
  ASSERT_NE(total, lines.end());
  EXPECT_EQ(*(total + 1), "Highest number of retries for any block was 2");
  EXPECT_LT(total, std::find(lines.begin(), lines.end(), "VLX750 firmware load is complete"));
}

// Under the bar, one line says what a load that meets faults is working through, and goes once
// the packets flow again.
TEST_F(SendingFirmwareDialogTest, ALineUnderTheBarExplainsEachRetry) {
  std::vector<QString> shown;
  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              ASSERT_TRUE(RunUntilProgress(10));
              // One packet rejected six times: five resends, then a resynchronisation.
              vlxsim::Faults faults;
              for (std::uint32_t frame = 0; frame < 6; ++frame) {
                faults.frames.push_back({frame, vlxsim::FrameFault::Kind::kReject});
              }
              bed.link.SetFaults(faults);
              EXPECT_TRUE(bed.time.RunUntil(
                  [&] {
                    const QString text = dialog.Activity().text();
                    if (shown.empty() || shown.back() != text) {
                      shown.push_back(text);
                      // The picture of a load working through a fault, to be looked at.
                      if (text.endsWith("retry 3 of 9")) {
                        dialog.Log().FlushQueued();
                        dialog.grab().save(
                            QStringLiteral(UI_SCREENSHOT_DIR "/sending-firmware-retrying.png"));
                      }
                    }
                    return dialog.Machine() == nullptr || dialog.Machine()->IsIdle();
                  },
                  200000));
              EXPECT_TRUE(dialog.Activity().text().isEmpty());
            }),
            SendingFirmwareDialog::kLoadSucceeded);
  ASSERT_GE(shown.size(), 4u);
  EXPECT_TRUE(shown[1].startsWith("Packet at 0x")) << shown[1].toStdString();
  EXPECT_TRUE(shown[1].endsWith(": rejected, retry 1 of 9")) << shown[1].toStdString();
  EXPECT_TRUE(std::find(shown.begin(), shown.end(), "Resynchronising with the loader") !=
              shown.end());
  EXPECT_TRUE(shown.back().isEmpty());
}

TEST_F(SendingFirmwareDialogTest, AFileThatFailsItsChecksumEndsAtOnce) {
  // The reconciliation word is given, and the image does not sum to zero with it.
  const auto path = FirmwareLoadBed::WriteFirmwareFile(":020800000102F3\r\n:00000001FF\r\n");
  bed.app.SetAvailableFirmware(FirmwareLoadBed::kLoaded, path.string());
  const std::size_t sentBefore = bed.link.SentCommands().size();
  bed.app.progressRange.Set(8024);
  bed.app.progressPosition.Set(7700);  // where a cancelled load stopped

  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              EXPECT_TRUE(dialog.Machine() == nullptr || dialog.Machine()->IsIdle());
              EXPECT_EQ(dialog.Progress().value(), 0);
              EXPECT_EQ(dialog.CloseButton().text(), "Close");
              dialog.close();
            }),
            SendingFirmwareDialog::kLoadFailed);
  std::filesystem::remove(path);

  EXPECT_TRUE(Contains(lines, "VLX750 verification failed. Reload VLX750."));
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Error code 0xE2000041: ");
  }));
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Total number of retries");
  }));
  EXPECT_EQ(bed.link.SentCommands().size(), sentBefore);
  EXPECT_TRUE(bed.prompts.boxes.empty()) << "closing a finished load asks nothing";
}

// A load that ends while "close while loading?" is open keeps its own result, whatever the answer.
struct EndsWhileAskingCase {
  const char* label;
  bool trace;
  int answer;
  bool loaderFallsSilent;  // the load fails rather than succeeds
  int result;
};

class EndsWhileAsking : public SendingFirmwareDialogTest,
                        public ::testing::WithParamInterface<EndsWhileAskingCase> {};

TEST_P(EndsWhileAsking, KeepsTheRunsOwnResult) {
  const EndsWhileAskingCase& c = GetParam();
  bed.app.trace.Set(c.trace ? 1 : 0);
  bed.prompts.answers = {c.answer};
  SendingFirmwareDialog* running = nullptr;
  bed.prompts.whileOpen = [&](const test::ScriptedPrompts::Box&) {
    EXPECT_TRUE(RunLoadToEnd(*running));
  };
  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              running = &dialog;
              if (c.loaderFallsSilent) {
                vlxsim::Faults faults;
                faults.packets.silentFrom = 20;
                bed.link.SetFaults(faults);
              }
              ASSERT_TRUE(RunUntilProgress(10));
              dialog.close();
              // No keeps open what would stay open anyway: a trace or a failure to read.
              EXPECT_EQ(dialog.isVisible(),
                        c.answer != mb::kIdYes && (c.trace || c.loaderFallsSilent));
              if (dialog.isVisible()) {
                dialog.close();
              }
            }),
            c.result);
  ASSERT_EQ(bed.recorder.done.size(), 1u);
  EXPECT_NE(bed.recorder.done[0], err::kCancelled);
  EXPECT_FALSE(Contains(lines, "Remove power and retry firmware load"));
  EXPECT_EQ(Contains(lines, "VLX750 firmware load is complete"), !c.loaderFallsSilent);
  EXPECT_EQ(bed.prompts.boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndsWhileAsking,
    ::testing::Values(EndsWhileAskingCase{"GoodLoadYes", false, mb::kIdYes, false,
                                          SendingFirmwareDialog::kLoadSucceeded},
                      EndsWhileAskingCase{"GoodLoadNo", false, mb::kIdNo, false,
                                          SendingFirmwareDialog::kLoadSucceeded},
                      EndsWhileAskingCase{"TracedGoodLoadYes", true, mb::kIdYes, false,
                                          SendingFirmwareDialog::kLoadSucceeded},
                      EndsWhileAskingCase{"TracedGoodLoadNo", true, mb::kIdNo, false,
                                          SendingFirmwareDialog::kLoadSucceeded},
                      EndsWhileAskingCase{"FailedLoadYes", false, mb::kIdYes, true,
                                          SendingFirmwareDialog::kLoadFailed}),
    test::ByLabel());

// Esc asks first; No lets the load go on; Yes stops it where it is.
TEST_F(SendingFirmwareDialogTest, ClosingMidLoadAsksAndYesAbandonsTheLoad) {
  bed.prompts.answers = {mb::kIdNo, mb::kIdYes};
  std::size_t sentAtYes = 0;
  EXPECT_EQ(Run([&](SendingFirmwareDialog& dialog) {
              ASSERT_TRUE(RunUntilProgress(100));
              QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
              QApplication::sendEvent(&dialog, &escape);
              ASSERT_EQ(bed.prompts.boxes.size(), 1u);
              EXPECT_TRUE(dialog.isVisible());
              ASSERT_TRUE(RunUntilProgress(1000));

              // Half way: the picture of a load in progress.
              dialog.Log().FlushQueued();
              const QString png =
                  QStringLiteral(UI_SCREENSHOT_DIR "/sending-firmware-mid-load.png");
              EXPECT_TRUE(dialog.grab().save(png));

              dialog.close();
              sentAtYes = bed.link.SentCommands().size();
            }),
            SendingFirmwareDialog::kLoadFailed);

  ASSERT_EQ(bed.prompts.boxes.size(), 2u);
  EXPECT_EQ(bed.prompts.boxes[0].text,
            "Are you sure you wish to close the VLX Utility while loading firmware?");
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Critical Operation in Progress");
  EXPECT_EQ(bed.prompts.boxes[0].style, 0x134u);
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kCancelled});
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Error code 0x000004C7: ");
  }));
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("Send VLX750 firmware failed at load address 0x");
  }));
  // Stopped where it was: nothing more is sent, no timer is left.
  bed.time.RunFor(10000);
  EXPECT_EQ(bed.link.SentCommands().size(), sentAtYes);
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
}

TEST_F(SendingFirmwareDialogTest, YesDuringTheResetWaitEndsTheRun) {
  bed.prompts.answers = {mb::kIdYes};
  EXPECT_EQ(
      Run([&](SendingFirmwareDialog& dialog) {
        ASSERT_TRUE(bed.time.RunUntil(
            [&] { return dialog.Machine()->Current().Name() == "LoadWaitResetState"; }, 200000));
        dialog.close();
      }),
      SendingFirmwareDialog::kLoadFailed);
  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kCancelled});
  bed.time.RunFor(10000);
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
}

// The Firmware page in a sheet over a load bed, its folder holding the bed's firmware.
class SendingPage {
 public:
  SendingPage(FirmwareLoadBed& bed, const char* folderName)
      : bed_(bed), folder_(std::filesystem::path(::testing::TempDir()) / folderName) {
    std::filesystem::create_directories(folder_);
    const std::filesystem::path file = folder_ / "VLX750fp0124.hex";
    std::ofstream(file, std::ios::binary)
        << vlxsim::MakeTestFirmwareHex(test::TestFirmware(FirmwareLoadBed::kLoaded));
    bed.files.AddEntry(file.string());
    bed.app.firmwareFolder.Set(folder_.string());
    bed.app.mainWindowReady.Set(1);
    page = new FirmwarePage(services_, kIdentity, kOsLine);
    sheet_.addTab(page, page->Caption());
    sheet_.show();
  }
  ~SendingPage() { std::filesystem::remove_all(folder_); }

  std::string Folder() const { return folder_.string(); }
  QPushButton& Send() const { return *page->findChild<QPushButton*>("sendFirmware"); }
  std::string Log() const {
    return page->findChild<ActivityLog*>("activityLog")->toPlainText().toStdString();
  }

  FirmwarePage* page;

 private:
  FirmwareLoadBed& bed_;
  std::filesystem::path folder_;
  NoHelp help_;
  UiServices services_{bed_.app, bed_.app.Boxes(), bed_.time, help_, {}, {}};
  QTabWidget sheet_;
};

// The Firmware page sends at 9600 bit/s: 38400 for the load, and 9600 again after it.
TEST(FirmwarePageSend, At9600SwitchesForTheLoadAndBackAfterIt) {
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.operatingRate = 9600;
  FirmwareLoadBed bed(config);
  SendingPage page(bed, "page-send-at-9600");
  bed.app.verboseLogging.Set(1);
  bed.Connect();
  ASSERT_EQ(bed.app.Serial().Speed(), 9600u);
  ASSERT_TRUE(page.Send().isEnabled());
  const std::size_t sentBefore = bed.link.SentCommands().size();
  bed.status.verboseLines.clear();

  WhenDialogRuns([&](SendingFirmwareDialog& dialog) {
    EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
    EXPECT_TRUE(bed.time.RunUntil([&dialog] { return !dialog.isVisible(); }, 200000));
  });
  page.Send().click();

  const std::vector<std::string> sent = test::Conversation(bed.link);
  EXPECT_EQ(sent[sentBefore], "^brp3;@9600");
  const std::string log = page.Log();
  EXPECT_NE(log.find("Change RS-232 speed to 38400 bit/s"), std::string::npos) << log;
  // The amplifier comes back from its reset at 38400 bit/s and is moved back to 9600.
  EXPECT_NE(std::find(sent.begin() + sentBefore, sent.end(), "^brp1;@38400"), sent.end());
  EXPECT_NE(log.find("Change RS-232 speed to 9600 bit/s"), std::string::npos) << log;
  EXPECT_EQ(bed.status.verboseLines.front(), "Sending firmware from " + page.Folder());
  EXPECT_EQ(bed.status.statusLines.back(), "Ready");
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.app.revision.Get(), FirmwareLoadBed::kLoaded);
  EXPECT_EQ(bed.app.Serial().Speed(), 9600u);
}

// A load from the loader that ends while the close question is open is a good load: Yes then
// closes the dialog and the rate the load found after the reset is kept.
TEST(FirmwarePageSend, ALoadFromTheLoaderEndingWhileAskingKeepsTheRateItFound) {
  vlxsim::AmplifierConfig config = FirmwareLoadBed::Amplifier();
  config.operatingRate = 9600;
  config.mode = vlxsim::PowerMode::kOff;
  FirmwareLoadBed bed(config);
  SendingPage page(bed, "page-send-from-loader");
  bed.Connect();
  ASSERT_EQ(bed.app.deviceState.Get(), device_state::kWaitingInLoader);
  ASSERT_TRUE(page.Send().isEnabled());
  bed.prompts.answers = {mb::kIdYes};
  bed.prompts.whileOpen = [&](const test::ScriptedPrompts::Box&) {
    EXPECT_TRUE(bed.time.RunUntil([&] { return bed.recorder.done.size() == 1; }, 200000));
  };

  WhenDialogRuns([&](SendingFirmwareDialog& dialog) {
    ASSERT_TRUE(bed.time.RunUntil(
        [&] { return bed.app.progressPosition.Get() >= 10 * kPacketProgress; }, 200000));
    dialog.close();
  });
  page.Send().click();

  EXPECT_EQ(bed.recorder.done, std::vector<ErrorCode>{err::kSuccess});
  EXPECT_EQ(bed.status.statusLines.back(), "Ready");
  EXPECT_TRUE(std::find(bed.status.statusLines.begin(), bed.status.statusLines.end(),
                        "VLX750 firmware load is complete") != bed.status.statusLines.end());
  EXPECT_EQ(page.Log().find("Change RS-232 speed to 38400 bit/s"), std::string::npos);
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(bed.app.Serial().Speed(), 9600u);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
}

// Yes in the middle of the transfer leaves the amplifier in its loader: the status line says to
// power-cycle it, and so does a box once the dialog and the send have returned.
TEST(FirmwarePageSend, YesMidTransferAdvisesAPowerCycleOnceTheDialogHasClosed) {
  FirmwareLoadBed bed;
  SendingPage page(bed, "page-send-abandoned");
  bed.Connect();
  bed.prompts.answers = {mb::kIdYes};
  WhenDialogRuns([&](SendingFirmwareDialog& dialog) {
    ASSERT_TRUE(bed.time.RunUntil(
        [&] { return bed.app.progressPosition.Get() >= 100 * kPacketProgress; }, 200000));
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
  });
  page.Send().click();

  const std::string advice = "Remove power and retry firmware load";
  EXPECT_EQ(bed.status.statusLines.back(), advice);
  ASSERT_EQ(bed.prompts.boxes.size(), 1u) << "the advice waits for the send to return";
  QCoreApplication::processEvents();
  ASSERT_EQ(bed.prompts.boxes.size(), 2u);
  EXPECT_EQ(bed.prompts.boxes[1].text, advice);
  EXPECT_EQ(bed.prompts.boxes[1].caption, "Sending VLX750 Firmware");
  EXPECT_EQ(bed.prompts.boxes[1].style, mb::kOk | mb::kIconWarning);
}

// Closing the main window while the load runs asks the dialog's question; on Yes the load stops
// and the window closes once the page has finished with the link.
TEST(FirmwarePageSend, ClosingTheMainWindowMidLoadAsksFirst) {
  vlxsim::AmplifierConfig config;
  config.revision = FirmwareLoadBed::kRunning;
  test::WindowTestBed bed(config);
  const std::filesystem::path folder =
      std::filesystem::path(::testing::TempDir()) / "window-close-mid-load";
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / "VLX750fp0124.hex";
  std::ofstream(file, std::ios::binary)
      << vlxsim::MakeTestFirmwareHex(test::TestFirmware(FirmwareLoadBed::kLoaded));
  bed.files.AddEntry(file.string());
  bed.store.PutString("Port", test::SimulatedLink::kPortName);
  bed.store.PutString("FirmwareFolder", folder.string());
  bed.store.PutDword("ActivePage", MainWindow::kFirmwarePageIndex);
  MainWindow& window = bed.Open();
  window.show();
  ASSERT_TRUE(bed.RunContactToEnd());
  auto* send =
      window.PageAt(MainWindow::kFirmwarePageIndex).findChild<QPushButton*>("sendFirmware");
  ASSERT_TRUE(send->isEnabled());
  bed.prompts.answers = {mb::kIdNo, mb::kIdYes};

  bool closedWhileLoading = true;
  WhenDialogRuns([&](SendingFirmwareDialog& dialog) {
    ASSERT_TRUE(bed.time.RunUntil(
        [&] { return bed.app.progressPosition.Get() >= 200 * kPacketProgress; }, 200000));
    window.close();  // No: both stay
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(window.isVisible());
    window.close();  // Yes
    EXPECT_FALSE(dialog.isVisible());
    closedWhileLoading = !window.isVisible();
  });
  send->click();
  EXPECT_FALSE(closedWhileLoading) << "the window waits for the page to finish";
  ASSERT_EQ(bed.prompts.boxes.size(), 2u);
  EXPECT_EQ(bed.prompts.boxes[1].caption, "Critical Operation in Progress");
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(bed.app.portOpen.Get(), 0u);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vlx
