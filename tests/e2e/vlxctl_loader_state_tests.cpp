// Verbs that need the operating firmware, against vlx750-sim switched off (waiting in its loader):
// each is refused as soon as contact ends, with the same words and exit 1, and the amplifier
// hears nothing after the identity query. And `info` that hears nothing where a firmware load
// left an amplifier in its loader says what it needs.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kWaitingInLoader =
    "vlxctl: the VLX750 is waiting for its power button or a firmware load; ";

// What the simulator received, one command a line, from its --verbose log.
std::vector<std::string> Received(const std::string& log) {
  std::vector<std::string> commands;
  std::istringstream lines(log);
  const std::string mark = "vlx750-sim: <- \"";
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(mark, 0) == 0) {
      commands.push_back(line.substr(mark.size(), line.find('"', mark.size()) - mark.size()));
    }
  }
  return commands;
}

struct LoaderCase {
  const char* label;
  // "FILE" stands for a configuration file saved beforehand, "DIR" for an empty folder
  std::vector<std::string> verb;
  const char* task;  // the end of the refusal
};

class VlxctlInTheLoader : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(VlxctlInTheLoader, IsRefusedAtOnceAndSendsNothingAfterContact) {
  const LoaderCase& c = GetParam();
  TemporaryFolder folder("vlxctl-loader-state");
  const fs::path saved = folder.Path() / "saved.VLXConfig";
  const fs::path empty = folder.Path() / "empty";
  fs::create_directory(empty);
  std::vector<std::string> arguments{"--timeout", "20"};
  for (const std::string& word : c.verb) {
    arguments.push_back(word == "FILE" ? saved.string() : word == "DIR" ? empty.string() : word);
  }
  if (c.verb.back() == "FILE") {
    SimulatedAmplifier operating({});
    ASSERT_TRUE(operating.Ready());
    const Finished save = RunProgram(VLXCTL_PATH, {"--port", operating.Link(), "--timeout", "20",
                                                   "config", "save", saved.string()});
    ASSERT_EQ(save.exitCode, 0) << save.err;
  }

  SimulatedAmplifier amplifier({"--off", "--verbose"});
  ASSERT_TRUE(amplifier.Ready());
  arguments.insert(arguments.begin(), {"--port", amplifier.Link()});
  const auto start = std::chrono::steady_clock::now();
  const Finished run = RunProgram(VLXCTL_PATH, arguments);
  const auto took = std::chrono::steady_clock::now() - start;
  amplifier.Process().Signal(SIGTERM);
  amplifier.Process().WaitForExit(5s);

  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find(std::string(kWaitingInLoader) + c.task + " only while it operates"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_LT(took, 5s);
  // The search's probe and the identity query, and nothing after them.
  const std::vector<std::string> received = Received(amplifier.Process().Stderr());
  ASSERT_FALSE(received.empty()) << amplifier.Process().Stderr();
  EXPECT_EQ(received.back(), "I;") << amplifier.Process().Stderr();
  for (const std::string& command : received) {
    EXPECT_TRUE(command == ";" || command == "I;") << command;
  }
  EXPECT_TRUE(fs::is_empty(empty));  // nothing saved in place of what was not read
}

INSTANTIATE_TEST_SUITE_P(
    Verbs, VlxctlInTheLoader,
    ::testing::Values(
        LoaderCase{"Faults", {"faults", "--save", "DIR"}, "its fault history can be read"},
        LoaderCase{"ConfigSave", {"config", "save", "DIR"}, "its configuration can be saved"},
        LoaderCase{"ConfigRestore",
                   {"config", "restore", "--yes", "FILE"},
                   "its configuration can be restored"},
        LoaderCase{"Banner", {"banner", "HELLO"}, "its banner can be read and written"}),
    ByLabel());

constexpr const char* kNeedsANewLoad =
    "a VLX750 left in its loader answers nothing until it is switched off and on again; then "
    "load the firmware again";

struct UnfinishedLoadCase {
  const char* label;
  std::vector<std::string> simulatorOptions;
  const char* timeoutSeconds;
  bool recordNamesThisPort;  // else it names another port
  int exitCode;
  bool advised;
};

class VlxctlAfterAnUnfinishedLoad : public ::testing::TestWithParam<UnfinishedLoadCase> {};

TEST_P(VlxctlAfterAnUnfinishedLoad, InfoThatHearsNothingSaysWhatTheAmplifierNeeds) {
  const UnfinishedLoadCase& c = GetParam();
  SimulatedAmplifier amplifier(c.simulatorOptions);
  ASSERT_TRUE(amplifier.Ready());
  // The record the firmware load leaves in the settings the window and vlxctl share.
  TemporaryFolder config("vlxctl-unfinished-load");
  const fs::path settings = config.Path() / "Velqorin" / "VLX Utility.json";
  fs::create_directories(settings.parent_path());
  std::ofstream(settings) << R"({"values": {"UnfinishedLoadPort": {"type": "string", "value": ")"
                          << (c.recordNamesThisPort ? amplifier.Link() : "/dev/ttyUSB9")
                          << R"("}}})";

  const Finished run = RunProgram(
      "/usr/bin/env", {"XDG_CONFIG_HOME=" + config.Path().string(), VLXCTL_PATH, "--port",
                       amplifier.Link(), "--timeout", c.timeoutSeconds, "info"});
  EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
  int told = 0;
  for (auto at = run.err.find(kNeedsANewLoad); at != std::string::npos;
       at = run.err.find(kNeedsANewLoad, at + 1)) {
    ++told;
  }
  EXPECT_EQ(told, c.advised ? 1 : 0) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VlxctlAfterAnUnfinishedLoad,
    ::testing::Values(
        // Told with the end of a short search, or after a round of every line speed.
        UnfinishedLoadCase{"SilentUntilAShortTimeout", {"--silent"}, "1", true, 1, true},
        UnfinishedLoadCase{"SilentForARoundOfTheSearch", {"--silent"}, "3", true, 1, true},
        UnfinishedLoadCase{"TheRecordNamesAnotherPort", {"--silent"}, "3", false, 1, false},
        // Switched off and on: it answers in its loader, and info shows that instead.
        UnfinishedLoadCase{"AnsweringInItsLoader", {"--off"}, "3", true, 0, false}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
