// vlxctl firmware load against vlx750-sim on a pseudo-terminal: loads that succeed and fail, the
// progress on a terminal and in a pipe, and Ctrl+C before and during the transfer.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FinishedRun.h"
#include "SimulatedAmplifier.h"
#include "TemporaryFolder.h"
#include "process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Runs vlxctl with all its output on a pseudo-terminal of its own, as in a terminal window.
Finished RunOnTerminal(const std::vector<std::string>& arguments) {
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

// A firmware file of the given revision made by the test-firmware generator in `folder`.
std::string MakeFirmware(const fs::path& folder, int revision) {
  fs::create_directories(folder);
  const Finished made =
      RunProgram(VLX750_MKFW_PATH, {"--revision", std::to_string(revision), "-o", folder.string()});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return made.out.substr(0, made.out.find('\n'));
}

// Points the data and settings folders of the programs this test starts at a folder of its own.
class ScopedDataFolders {
 public:
  explicit ScopedDataFolders(const fs::path& root) {
    Set("XDG_DATA_HOME", (root / "data").string());
    Set("XDG_CONFIG_HOME", (root / "config").string());
  }
  ~ScopedDataFolders() {
    for (const auto& [name, value] : saved_) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
  }

 private:
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::vector<std::string> Load(const SimulatedAmplifier& amplifier, const std::string& file = {}) {
  std::vector<std::string> arguments{"--port", amplifier.Link(), "--timeout",
                                     "20",     "firmware",       "load"};
  if (!file.empty()) {
    arguments.push_back(file);
  }
  return arguments;
}

TEST(VlxctlFirmware, LoadsTheFoldersNewestThenInfoShowsItsRevision) {
  TemporaryFolder root("vlxctl-firmware-newest");
  ScopedDataFolders folders(root.Path());
  const fs::path firmwareFolder = root.Path() / "data" / "Velqorin" / "VLX Firmware";
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

}  // namespace
}  // namespace vlx::test
