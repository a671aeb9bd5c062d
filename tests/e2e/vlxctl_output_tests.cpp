// What vlxctl does when its stdout cannot take the output: a full device or a closed stdout is a
// failure told in one line, whatever the verb did; a reader that went away ends the run quietly.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "SimulatedAmplifier.h"
#include "TemporaryFolder.h"
#include "process/ChildProcess.h"
#include "support/FtpTestServer.h"

namespace vlx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// What a verb needs besides vlxctl: nothing, the simulated amplifier, or an FTP server.
enum class Peer { kNone, kAmplifier, kFtpServer };

struct VerbCase {
  const char* label;
  Peer peer;
  std::vector<std::string> arguments;  // after the peer's own options
};

struct Ended {
  int exitCode = -1;
  std::string err;
};

// Runs vlxctl with the peer the case needs, stdout sent to `stdoutTo`.
Ended RunWithPeer(const VerbCase& verb, ChildStdout stdoutTo) {
  std::vector<std::string> arguments;
  std::optional<SimulatedAmplifier> amplifier;
  std::unique_ptr<FtpTestServer> server;
  TemporaryFolder served("vlxctl-output-served");
  if (verb.peer == Peer::kAmplifier) {
    amplifier.emplace(std::vector<std::string>{"--serial", "1234"});
    EXPECT_TRUE(amplifier->Ready());
    arguments = {"--port", amplifier->Link(), "--timeout", "20"};
  } else if (verb.peer == Peer::kFtpServer) {
    fs::create_directories(served.Path() / "VLX" / "firmware");
    std::ofstream(served.Path() / "VLX" / "firmware" / "VLX750fp0152.hex") << "newer";
    server = std::make_unique<FtpTestServer>(served.Path().string(), std::vector<std::string>{});
    arguments = {"--ftp-server", server->Address()};
  }
  arguments.insert(arguments.end(), verb.arguments.begin(), verb.arguments.end());
  ChildProcess vlxctl(VLXCTL_PATH, arguments, stdoutTo);
  Ended ended;
  ended.exitCode = vlxctl.WaitForExit(60s).value_or(-1);
  ended.err = vlxctl.Stderr();
  return ended;
}

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

const char* const kCannotWrite = "vlxctl: cannot write the output: ";

// Every verb that prints on stdout, each run so that it succeeds when stdout takes its output.
const std::vector<VerbCase> kVerbs = {
    {"Help", Peer::kNone, {"--help"}},
    {"Version", Peer::kNone, {"--version"}},
    {"Ports", Peer::kNone, {"ports"}},
    {"Hex", Peer::kNone, {"hex", VLX_FIXTURE_DIR "/hex/holes.hex"}},
    {"ConfigShow",
     Peer::kNone,
     {"config", "show", VLX_FIXTURE_DIR "/config/SN01234.20240102T030405.VLXConfig"}},
    {"Info", Peer::kAmplifier, {"info"}},
    {"Faults", Peer::kAmplifier, {"faults"}},
    {"Send", Peer::kAmplifier, {"send", "^sn;"}},
    {"Banner", Peer::kAmplifier, {"banner"}},
    {"Monitor", Peer::kAmplifier, {"monitor", "--count", "2", "--interval", "100"}},
    {"FtpList", Peer::kFtpServer, {"ftp", "list"}},
};

class VlxctlStdoutFailure : public ::testing::TestWithParam<std::tuple<VerbCase, ChildStdout>> {};

TEST_P(VlxctlStdoutFailure, FailsWithOneLineNamingTheCause) {
  const auto& [verb, stdoutTo] = GetParam();
  const Ended run = RunWithPeer(verb, stdoutTo);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(Count(run.err, kCannotWrite), 1u) << run.err;
  const std::string cause = stdoutTo == ChildStdout::kClosed ? "Bad file descriptor" : "space";
  EXPECT_NE(run.err.find(cause, run.err.find(kCannotWrite)), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Verbs, VlxctlStdoutFailure,
                         ::testing::Combine(::testing::ValuesIn(kVerbs),
                                            ::testing::Values(ChildStdout::kFullDevice,
                                                              ChildStdout::kClosed)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).label) +
                                  (std::get<1>(info.param) == ChildStdout::kClosed ? "StdoutClosed"
                                                                                   : "StdoutFull");
                         });

// `vlxctl faults | head -3` and the like: the reader has what it wanted, and nothing failed.
class VlxctlReaderGone : public ::testing::TestWithParam<VerbCase> {};

TEST_P(VlxctlReaderGone, EndsQuietlyWithSuccess) {
  const Ended run = RunWithPeer(GetParam(), ChildStdout::kReaderGone);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find(kCannotWrite), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, VlxctlReaderGone,
    ::testing::Values(VerbCase{"Hex", Peer::kNone, {"hex", VLX_FIXTURE_DIR "/hex/holes.hex"}},
                      VerbCase{"Faults", Peer::kAmplifier, {"faults"}},
                      // Without --count only the reader's going ends it.
                      VerbCase{"Monitor", Peer::kAmplifier, {"monitor", "--interval", "100"}}),
    [](const auto& info) { return std::string(info.param.label); });

// --quiet leaves out the status lines of a run that goes well, and keeps what a failure says.
TEST(VlxctlQuiet, LeavesOutStatusLinesAndKeepsErrors) {
  {
    SimulatedAmplifier amplifier({"--serial", "1234"});
    ASSERT_TRUE(amplifier.Ready());
    ChildProcess info(VLXCTL_PATH, {"--port", amplifier.Link(), "--quiet", "info"});
    EXPECT_EQ(info.WaitForExit(30s), 0) << info.Stderr();
    EXPECT_EQ(info.Stderr(), "");
    EXPECT_NE(info.Stdout().find("Serial number: 01234"), std::string::npos) << info.Stdout();
  }
  TemporaryFolder folder("vlxctl-quiet");
  const std::string missing = (folder.Path() / "ttyNone").string();
  ChildProcess info(VLXCTL_PATH, {"--port", missing, "--quiet", "info"});
  EXPECT_EQ(info.WaitForExit(30s), 1);
  EXPECT_EQ(info.Stderr().find("Serial Port"), std::string::npos) << info.Stderr();
  EXPECT_NE(info.Stderr().find("Unable to open serial port \"" + missing + "\""), std::string::npos)
      << info.Stderr();
}

}  // namespace
}  // namespace vlx::test
