// What vlxctl prints for scripts: when its stdout cannot take the output, a full device or a
// closed stdout is a failure told in one line, whatever the verb did, and a reader that went
// away ends the run quietly; --json gives each verb's report as objects with the fields its help
// names; --quiet leaves out status lines and keeps errors.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/e2e/FinishedRun.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/ChildProcess.h"
#include "support/process/FtpTestServer.h"

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

// Runs vlxctl with the peer the case needs, stdout sent to `stdoutTo`.
Finished RunWithPeer(const VerbCase& verb, ChildStdout stdoutTo) {
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
  return RunProgram(VLXCTL_PATH, arguments, 60s, stdoutTo);
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
  const Finished run = RunWithPeer(verb, stdoutTo);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(Occurrences(run.err, kCannotWrite), 1u) << run.err;
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
  const Finished run = RunWithPeer(GetParam(), ChildStdout::kReaderGone);
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

// A verb's --json: the lines it prints, the fields each object has (all of them, and nothing
// else), and some values, as compact JSON.
struct JsonCase {
  VerbCase verb;
  std::vector<std::string> help;  // the verb's help, which names every field
  std::size_t lines;
  std::vector<QString> fields;
  std::vector<std::pair<QString, std::string>> values;
};

std::string Compact(const QJsonValue& value) {
  const std::string array =
      QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
  return array.substr(1, array.size() - 2);
}

class VlxctlJson : public ::testing::TestWithParam<JsonCase> {};

TEST_P(VlxctlJson, PrintsEveryFieldOfItsHelp) {
  const JsonCase& c = GetParam();
  const Finished run = RunWithPeer(c.verb, ChildStdout::kCaptured);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QStringList lines = QString::fromStdString(run.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(static_cast<std::size_t>(lines.size()), c.lines) << run.out;
  std::vector<QString> fields = c.fields;
  std::sort(fields.begin(), fields.end());
  for (const QString& line : lines) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    ASSERT_TRUE(document.isObject()) << error.errorString().toStdString() << ": " << run.out;
    const QJsonObject object = document.object();
    EXPECT_EQ(object.keys(), QStringList(fields.begin(), fields.end())) << run.out;
    for (const auto& [field, value] : c.values) {
      EXPECT_EQ(Compact(object.value(field)), value) << field.toStdString();
    }
  }
  ChildProcess help(VLXCTL_PATH, c.help);
  ASSERT_EQ(help.WaitForExit(30s), 0);
  for (const QString& field : fields) {
    const std::regex word("\\b" + field.toStdString() + "\\b");
    EXPECT_TRUE(std::regex_search(help.Stdout(), word)) << field.toStdString() << " not in\n"
                                                        << help.Stdout();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, VlxctlJson,
    ::testing::Values(
        JsonCase{
            {"Ports", Peer::kNone, {"ports", "--json"}}, {"ports", "--help"}, 1, {"ports"}, {}},
        JsonCase{{"Info", Peer::kAmplifier, {"info", "--json"}},
                 {"info", "--help"},
                 1,
                 {"port", "deviceType", "deviceTypeName", "deviceState", "deviceStateName",
                  "revision", "serialNumber", "lineSpeed"},
                 {{"deviceType", "3"},
                  {"deviceStateName", "\"operating\""},
                  {"serialNumber", "1234"},
                  {"lineSpeed", "38400"}}},
        JsonCase{{"Hex", Peer::kNone, {"hex", "--json", VLX_FIXTURE_DIR "/hex/holes.hex"}},
                 {"hex", "--help"},
                 1,
                 {"file", "records", "lowAddress", "highAddress", "bytesInImage", "bytesOutside",
                  "blocksUnwritten", "lines", "blankLines", "textLines", "textAfterRecord",
                  "warnings", "wordSum", "checksumWord", "nameRevision", "loadable", "errorCode"},
                 {{"loadable", "true"},
                  {"lowAddress", "2048"},
                  {"blocksUnwritten", "2004"},
                  {"nameRevision", "null"},
                  {"errorCode", "null"}}},
        JsonCase{{"ConfigShow",
                  Peer::kNone,
                  {"config", "show", "--json",
                   VLX_FIXTURE_DIR "/config/SN01234.20240102T030405.VLXConfig"}},
                 {"config", "show", "--help"},
                 1,
                 {"file", "header", "seal", "bytesToRestore", "bytes", "banner"},
                 {{"seal", "\"good\""}}},
        JsonCase{
            {"Monitor",
             Peer::kAmplifier,
             {"monitor", "--json", "--count", "2", "--interval", "100"}},
            {"monitor", "--help"},
            2,
            {"time", "bandMhz", "mode", "fault", "faultText", "powerW", "swr", "temperatureC",
             "paV", "paA"},
            {{"bandMhz", "14"}, {"mode", "\"STBY\""}, {"fault", "\"00\""}, {"faultText", "null"}}},
        JsonCase{
            {"FtpList", Peer::kFtpServer, {"ftp", "list", "--json"}},
            {"ftp", "list", "--help"},
            1,
            {"entries", "firmware", "releaseNotes"},
            {{"entries", R"([{"folder":false,"name":"VLX750fp0152.hex","plain":true,"size":5}])"},
             {"firmware", R"({"name":"VLX750fp0152.hex","revision":"01.52"})"},
             {"releaseNotes", "null"}}}),
    [](const auto& info) { return std::string(info.param.verb.label); });

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
