// vlxctl firmware load against vlx750-sim on a pseudo-terminal: loads that succeed and fail, the
// question before a load, the progress on a terminal and in a pipe, and Ctrl+C before, during
// and after the transfer.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/e2e/FinishedRun.h"
#include "support/e2e/MadeFirmware.h"
#include "support/e2e/ScopedDataFolders.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Runs vlxctl with all its output on a pseudo-terminal of its own, as in a terminal window;
// `answer`, when given, is typed once vlxctl asks.
Finished RunOnTerminal(const std::vector<std::string>& arguments, const std::string& answer = {}) {
  std::vector<char*> argv{const_cast<char*>(VLXCTL_PATH)};
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    ::execv(VLXCTL_PATH, argv.data());
    ::_exit(127);
  }
  Finished run;
  if (pid < 0) {
    return run;
  }
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  char buffer[4096];
  bool answered = false;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd readable{terminal, POLLIN, 0};
    if (::poll(&readable, 1, 1000) <= 0) {
      continue;
    }
    const ssize_t got = ::read(terminal, buffer, sizeof buffer);
    if (got <= 0) {
      break;  // the program has ended and closed its side
    }
    run.err.append(buffer, static_cast<std::size_t>(got));
    if (!answer.empty() && !answered && run.err.find("[y/N]") != std::string::npos) {
      const std::string line = answer + "\n";
      EXPECT_EQ(::write(terminal, line.data(), line.size()), static_cast<ssize_t>(line.size()));
      answered = true;
    }
  }
  int status = 0;
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ::close(terminal);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool Has(const std::string& text, const std::string& needle) {
  return text.find(needle) != std::string::npos;
}

int Count(const std::string& text, const std::string& needle) {
  int count = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

std::vector<std::string> Load(const SimulatedAmplifier& amplifier, const std::string& file = {},
                              bool yes = true) {
  std::vector<std::string> arguments{"--port", amplifier.Link(), "--timeout",
                                     "20",     "firmware",       "load"};
  if (yes) {
    arguments.push_back("--yes");
  }
  if (!file.empty()) {
    arguments.push_back(file);
  }
  return arguments;
}

TEST(VlxctlFirmware, LoadsTheFoldersNewestThenInfoShowsItsRevision) {
  TemporaryFolder root("vlxctl-firmware-newest");
  ScopedDataFolders folders(root.Path());
  const fs::path firmwareFolder = ScopedDataFolders::FirmwareFolder(root.Path());
  MakeFirmware(firmwareFolder, 120);
  const std::string newest = MakeFirmware(firmwareFolder, 124);
  SimulatedAmplifier amplifier({"--rate", "9600", "--revision", "123"});
  ASSERT_TRUE(amplifier.Ready());

  const Finished load = RunProgram(VLXCTL_PATH, Load(amplifier));
  EXPECT_EQ(load.exitCode, 0) << load.err;
  EXPECT_TRUE(Has(load.err, "Sending firmware file " + newest + " to VLX750")) << load.err;
  EXPECT_TRUE(Has(load.err, "VLX750 firmware load is complete")) << load.err;
  // Into a pipe: a line at every tenth, nothing redrawn.
  EXPECT_EQ(Count(load.err, "\nSent "), 10) << load.err;
  EXPECT_TRUE(Has(load.err, "Sent 100%: packet 2007 of 2007, 0 retries")) << load.err;
  EXPECT_FALSE(Has(load.err, "\r")) << load.err;
  EXPECT_EQ(load.out, "");
  // The window's status bar says "Ready" here; vlxctl is still testing the link.
  EXPECT_FALSE(Has(load.err, "\nReady\n")) << load.err;
  // vlxctl ends only after the test of the link that follows the load has found the amplifier
  // back at its own rate.
  EXPECT_TRUE(
      Has(load.err, "Attempting to contact VLX on port " + amplifier.Link() + " at 9600 bit/s"))
      << load.err;

  const Finished info =
      RunProgram(VLXCTL_PATH, {"--port", amplifier.Link(), "--timeout", "20", "info"});
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_TRUE(Has(info.out, "Revision:      01.24")) << info.out;
  EXPECT_TRUE(Has(info.out, "Line speed:    9600 bit/s")) << info.out;
}

TEST(VlxctlFirmware, OnATerminalProgressIsOneLineRedrawnInPlace) {
  TemporaryFolder root("vlxctl-firmware-terminal");
  const std::string file = MakeFirmware(root.Path(), 124);
  SimulatedAmplifier amplifier({"--revision", "123"});
  ASSERT_TRUE(amplifier.Ready());

  const Finished load = RunOnTerminal(Load(amplifier, file));
  EXPECT_EQ(load.exitCode, 0) << load.err;
  EXPECT_TRUE(Has(load.err, "\r\033[K100% packet 2007 of 2007, 0 retries, ")) << load.err;
  EXPECT_GT(Count(load.err, "\r\033[K"), 10);
  EXPECT_FALSE(Has(load.err, "Sent 10%")) << load.err;
  EXPECT_TRUE(Has(load.err, "VLX750 firmware load is complete")) << load.err;
}

// On a terminal the progress line says what the load works through while the loader is silent.
TEST(VlxctlFirmware, ASilentLoaderEndsInFailure) {
  TemporaryFolder root("vlxctl-firmware-silent");
  const std::string file = MakeFirmware(root.Path(), 124);
  SimulatedAmplifier amplifier({"--revision", "123", "--silent-from-packet", "100"});
  ASSERT_TRUE(amplifier.Ready());

  const Finished load = RunOnTerminal(Load(amplifier, file));
  EXPECT_EQ(load.exitCode, 1) << load.err;
  EXPECT_TRUE(Has(load.err, " elapsed, Resynchronising with the loader")) << load.err;
  EXPECT_TRUE(Has(load.err, "Error code 0xE2000048: ")) << load.err;
  EXPECT_TRUE(Has(load.err, "VLX750 verification failed. Reload VLX750.")) << load.err;
  EXPECT_FALSE(Has(load.err, "firmware load is complete")) << load.err;
}

TEST(VlxctlFirmware, RejectedPacketsAreCountedAndTheLoadGoesOn) {
  TemporaryFolder root("vlxctl-firmware-retries");
  const std::string file = MakeFirmware(root.Path(), 124);
  SimulatedAmplifier amplifier({"--revision", "123", "--reject-packets", "3"});
  ASSERT_TRUE(amplifier.Ready());

  const Finished load = RunProgram(VLXCTL_PATH, Load(amplifier, file));
  EXPECT_EQ(load.exitCode, 0) << load.err;
  EXPECT_TRUE(Has(load.err,
                  "Total number of retries was 3\n"
                  "Highest number of retries for any block was 3\n"))
      << load.err;
  EXPECT_TRUE(Has(load.err, "Sent 100%: packet 2007 of 2007, 3 retries")) << load.err;
}

TEST(VlxctlFirmware, AFileNamedOtherwiseIsRefusedBeforeAnythingIsSent) {
  TemporaryFolder root("vlxctl-firmware-name");
  const fs::path file = root.Path() / "firmware.hex";
  fs::copy_file(MakeFirmware(root.Path(), 124), file);
  const Finished load =
      RunProgram(VLXCTL_PATH, {"--port", "/dev/null", "firmware", "load", file.string()});
  EXPECT_EQ(load.exitCode, 1);
  EXPECT_TRUE(Has(load.err, "is not named as a firmware file")) << load.err;

  const Finished usage = RunProgram(VLXCTL_PATH, {"firmware", "load", "--retry-limit", "3"});
  EXPECT_EQ(usage.exitCode, 2) << usage.err;
}

// Ctrl+C before the loader has taken the download stops the load; the amplifier can be loaded
// afterwards.
TEST(VlxctlFirmware, CtrlCBeforeTheTransferStopsTheLoad) {
  TemporaryFolder root("vlxctl-firmware-ctrl-c-before");
  const std::string file = MakeFirmware(root.Path(), 124);
  SimulatedAmplifier amplifier({"--revision", "123"});
  ASSERT_TRUE(amplifier.Ready());

  std::vector<std::string> arguments = Load(amplifier, file);
  arguments.insert(arguments.begin(), "--verbose");
  ChildProcess load(VLXCTL_PATH, arguments);
  ASSERT_TRUE(load.WaitForStderr("Sending firmware from", 20s)) << load.Stderr();
  load.Signal(SIGINT);
  EXPECT_EQ(load.WaitForExit(30s), 130) << load.Stderr();
  EXPECT_TRUE(Has(load.Stderr(), "stopping the load before the transfer begins"));
  EXPECT_TRUE(Has(load.Stderr(), "Error code 0x000004C7: ")) << load.Stderr();
  EXPECT_FALSE(Has(load.Stderr(), "Sending firmware file")) << load.Stderr();

  const Finished again = RunProgram(VLXCTL_PATH, Load(amplifier, file));
  EXPECT_EQ(again.exitCode, 0) << again.err;
}

// During the transfer a first Ctrl+C only warns and the load completes; a second one abandons
// it, and after a power cycle the amplifier waits in its loader for a new load.
TEST(VlxctlFirmware, CtrlCDuringTheTransferWarnsAndASecondAbandons) {
  TemporaryFolder root("vlxctl-firmware-ctrl-c-during");
  const std::string file = MakeFirmware(root.Path(), 124);
  SimulatedAmplifier amplifier({"--revision", "123"});
  ASSERT_TRUE(amplifier.Ready());

  {
    ChildProcess load(VLXCTL_PATH, Load(amplifier, file));
    ASSERT_TRUE(load.WaitForStderr("Sent 10%", 30s)) << load.Stderr();
    load.Signal(SIGINT);
    EXPECT_EQ(load.WaitForExit(60s), 0) << load.Stderr();
    EXPECT_TRUE(Has(load.Stderr(), "the firmware transfer goes on")) << load.Stderr();
    EXPECT_TRUE(Has(load.Stderr(), "VLX750 firmware load is complete")) << load.Stderr();
  }
  {
    ChildProcess load(VLXCTL_PATH, Load(amplifier, file));
    ASSERT_TRUE(load.WaitForStderr("Sent 10%", 30s)) << load.Stderr();
    load.Signal(SIGINT);
    ASSERT_TRUE(load.WaitForStderr("the firmware transfer goes on", 10s)) << load.Stderr();
    load.Signal(SIGINT);
    EXPECT_EQ(load.WaitForExit(30s), 130) << load.Stderr();
    EXPECT_TRUE(Has(load.Stderr(), "abandoning the firmware transfer")) << load.Stderr();
    EXPECT_TRUE(Has(load.Stderr(), "Error code 0x000004C7: ")) << load.Stderr();
  }
  amplifier.Process().Signal(SIGHUP);  // power cycle: the half-written image does not start
  std::this_thread::sleep_for(500ms);
  const Finished again = RunProgram(VLXCTL_PATH, Load(amplifier, file));
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_TRUE(Has(again.err, "VLX750 firmware load is complete")) << again.err;
}

// Once every packet is in, Ctrl+C says so and stops after the reset without the check of the
// revision; the amplifier runs the new firmware.
TEST(VlxctlFirmware, CtrlCAfterTheLastPacketOnlyLeavesOutTheRevisionCheck) {
  TemporaryFolder root("vlxctl-firmware-ctrl-c-reset");
  const std::string file = MakeFirmware(root.Path(), 124);
  SimulatedAmplifier amplifier({"--revision", "123"});
  ASSERT_TRUE(amplifier.Ready());

  ChildProcess load(VLXCTL_PATH, Load(amplifier, file));
  ASSERT_TRUE(load.WaitForStderr("for reset to complete", 60s)) << load.Stderr();
  load.Signal(SIGINT);
  EXPECT_EQ(load.WaitForExit(30s), 130) << load.Stderr();
  EXPECT_TRUE(Has(load.Stderr(), "the new firmware is in the VLX750")) << load.Stderr();
  EXPECT_TRUE(Has(load.Stderr(), "stopped before the revision check")) << load.Stderr();
  EXPECT_FALSE(Has(load.Stderr(), "without working firmware")) << load.Stderr();
  EXPECT_FALSE(Has(load.Stderr(), "Reload VLX750")) << load.Stderr();

  const Finished info =
      RunProgram(VLXCTL_PATH, {"--port", amplifier.Link(), "--timeout", "20", "info"});
  EXPECT_EQ(info.exitCode, 0) << info.err;
  EXPECT_TRUE(Has(info.out, "Revision:      01.24")) << info.out;
}

// On a terminal the load waits for a yes after contact, with the file's revision and the
// amplifier's; a same or older revision is named as such. Answered no, nothing reaches the
// loader.
struct Question {
  const char* label;
  std::vector<std::string> simulator;
  const char* answer;
  const char* asks;
  int exitCode;
};

const Question kQuestions[] = {
    {"NewerLoadsOnYes",
     {"--revision", "123"},
     "y",
     "VLX750 runs:   01.23\r\nLoad revision 01.24 into the VLX750?",
     0},
    {"SameSaysSo",
     {"--revision", "124"},
     "n",
     "The VLX750 runs revision 01.24 already. Load it again?",
     2},
    {"OlderSaysSo",
     {"--revision", "125"},
     "n",
     "Revision 01.24 is older than the 01.25 the VLX750 runs.",
     2},
    {"InItsLoaderNoRevisionToCompare",
     {"--off"},
     "n",
     "VLX750:        in its loader, revision not known\r\nLoad revision 01.24 into the VLX750?",
     2},
};

class VlxctlFirmwareQuestion : public ::testing::TestWithParam<Question> {};

TEST_P(VlxctlFirmwareQuestion, AsksAfterContactAndBeforeTheLoader) {
  const Question& question = GetParam();
  TemporaryFolder root(std::string("vlxctl-firmware-question-") + question.label);
  const std::string file = MakeFirmware(root.Path(), 124);
  const bool loads = question.exitCode == 0;
  std::vector<std::string> simulator = question.simulator;
  if (!loads) {
    simulator.push_back("--verbose");  // its record of what arrived; a load would flood it
  }
  SimulatedAmplifier amplifier(simulator);
  ASSERT_TRUE(amplifier.Ready());

  const Finished run = RunOnTerminal(Load(amplifier, file, false), question.answer);
  EXPECT_EQ(run.exitCode, question.exitCode) << run.err;
  EXPECT_TRUE(Has(run.err, "File:          " + file + "\r\nRevision:      01.24\r\n")) << run.err;
  EXPECT_TRUE(Has(run.err, question.asks)) << run.err;
  if (loads) {
    EXPECT_TRUE(Has(run.err, "VLX750 firmware load is complete")) << run.err;
    return;
  }
  EXPECT_TRUE(Has(run.err, "nothing was loaded")) << run.err;
  amplifier.Process().Signal(SIGTERM);
  amplifier.Process().WaitForExit(5s);
  const std::string& arrived = amplifier.Process().Stderr();
  EXPECT_TRUE(Has(arrived, "<- \"I;\"")) << arrived;  // contact was made
  EXPECT_FALSE(Has(arrived, "<- \"^LDM;\"")) << arrived;
  EXPECT_FALSE(Has(arrived, "<- \"D\"")) << arrived;
}

INSTANTIATE_TEST_SUITE_P(Revisions, VlxctlFirmwareQuestion, ::testing::ValuesIn(kQuestions),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vlx::test
