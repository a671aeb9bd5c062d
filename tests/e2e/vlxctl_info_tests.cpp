// vlxctl through QSerialPort against vlx750-sim on a pseudo-terminal: the program as users run it.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/e2e/TemporaryFolder.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> Info(const std::string& port, std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments{"--port", port, "--timeout", "20"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.push_back("info");
  return arguments;
}

// How many lines of `text` are exactly `line`.
int CountLines(const std::string& text, const std::string& line) {
  std::istringstream lines(text);
  int count = 0;
  for (std::string current; std::getline(lines, current);) {
    count += current == line ? 1 : 0;
  }
  return count;
}

int CountOccurrences(const std::string& text, const std::string& needle) {
  int count = 0;
  for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

class InfoAtEachRate : public ::testing::TestWithParam<int> {};

TEST_P(InfoAtEachRate, FindsTheAmplifierAtItsRate) {
  const std::string rate = std::to_string(GetParam());
  SimulatedAmplifier amplifier({"--rate", rate, "--serial", "4711", "--revision", "205"});
  ASSERT_TRUE(amplifier.Ready());

  ChildProcess vlxctl(VLXCTL_PATH, Info(amplifier.Link()));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stdout().find("Device type:   VLX750 (3)"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Device state:  3 (operating)"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Revision:      02.05"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Serial number: 04711"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Line speed:    " + rate + " bit/s"), std::string::npos)
      << vlxctl.Stdout();
  EXPECT_NE(vlxctl.Stderr().find("Attempting to contact VLX on port " + amplifier.Link() + " at " +
                                 rate + " bit/s"),
            std::string::npos);
  EXPECT_EQ(vlxctl.Stderr().find("COM Port Error"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rates, InfoAtEachRate, ::testing::Values(38400, 19200, 9600, 4800),
                         ByRate{});

TEST(VlxctlInfo, SwitchedOffAmplifierIsFoundWaitingInItsLoader) {
  SimulatedAmplifier amplifier({"--off", "--rate", "9600"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Info(amplifier.Link()));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stdout().find("Device state:  2 (waiting for power button or firmware load)"),
            std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Line speed:    38400 bit/s"), std::string::npos);
}

// The device is held whichever name each program gives it: the link or the terminal it leads to.
TEST(VlxctlInfo, PortHeldByAnotherProgramIsReportedAsInUse) {
  SimulatedAmplifier amplifier({"--silent"});
  ASSERT_TRUE(amplifier.Ready());
  const std::pair<std::string, std::string> names[] = {{amplifier.Link(), amplifier.Link()},
                                                       {amplifier.Link(), amplifier.Terminal()},
                                                       {amplifier.Terminal(), amplifier.Link()}};
  for (const auto& [held, second] : names) {
    SCOPED_TRACE(held + " held, then " + second);
    ChildProcess holder(VLXCTL_PATH, Info(held));
    ASSERT_TRUE(holder.WaitForStderr("is open", 10s)) << holder.Stderr();

    ChildProcess other(VLXCTL_PATH, Info(second));
    EXPECT_EQ(other.WaitForExit(10s), 1);
    EXPECT_NE(
        other.Stderr().find("Serial port \"" + second + "\" is being used by another application"),
        std::string::npos)
        << other.Stderr();
    holder.Signal(SIGTERM);
    holder.WaitForExit(5s);
  }
}

TEST(VlxctlInfo, AdapterPulledDuringTheSearchAndPutBackIsFoundAgain) {
  SimulatedAmplifier amplifier({"--rate", "4800"});
  ASSERT_TRUE(amplifier.Ready());
  // Without --timeout it waits for the port as long as it takes, and says so.
  ChildProcess vlxctl(VLXCTL_PATH, {"--port", amplifier.Link(), "info"});
  ASSERT_TRUE(vlxctl.WaitForStderr("at 19200 bit/s", 10s)) << vlxctl.Stderr();

  amplifier.Process().Signal(SIGUSR1);  // pulled out
  std::this_thread::sleep_for(1500ms);
  EXPECT_FALSE(vlxctl.WaitForExit(0ms).has_value());  // still waiting for the adapter
  amplifier.Process().Signal(SIGUSR2);                // put back

  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stdout().find("Line speed:    4800 bit/s"), std::string::npos);
  EXPECT_EQ(vlxctl.Stderr().find("COM Port Error"), std::string::npos) << vlxctl.Stderr();
  // The loss is told once and the wait once; no search lines or open failures while it waits.
  const std::string stderrText = vlxctl.Stderr();
  const std::size_t loss = stderrText.find("Serial port " + amplifier.Link() +
                                           " is no longer available: The device has been removed.");
  ASSERT_NE(loss, std::string::npos) << stderrText;
  EXPECT_EQ(CountOccurrences(stderrText, "is no longer available"), 1) << stderrText;
  EXPECT_EQ(CountOccurrences(stderrText, "to come back (Ctrl+C to stop)"), 1) << stderrText;
  EXPECT_EQ(CountOccurrences(stderrText, "Unable to open"), 0) << stderrText;
  const std::size_t reopened = stderrText.find("is open", loss);
  const std::size_t nextSearch = stderrText.find("Attempting to contact", loss);
  EXPECT_TRUE(nextSearch == std::string::npos || nextSearch > reopened) << stderrText;
}

// A failed info prints no result block and tells its failure once, even with --verbose, where
// closing the port comes after the failure.
struct FailureCase {
  std::string name;
  std::vector<std::string> simulatorOptions;  // empty: no amplifier, the port does not exist
  std::vector<std::string> extraArguments;
  std::string message;  // appears exactly once on stderr
};

// Cases print as their names, in test names and in ctest's listing alike.
void PrintTo(const FailureCase& failure, std::ostream* out) {
  *out << failure.name;
}

class FailedInfo : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailedInfo, PrintsNoResultBlockAndTellsTheFailureOnce) {
  const FailureCase& failure = GetParam();
  std::optional<SimulatedAmplifier> amplifier;
  std::string port = "/tmp/vlx750-e2e-missing-" + std::to_string(getpid());
  if (!failure.simulatorOptions.empty()) {
    amplifier.emplace(failure.simulatorOptions);
    ASSERT_TRUE(amplifier->Ready());
    port = amplifier->Link();
  }
  std::vector<std::string> arguments{"--verbose", "--port", port};
  arguments.insert(arguments.end(), failure.extraArguments.begin(), failure.extraArguments.end());
  arguments.push_back("info");
  ChildProcess vlxctl(VLXCTL_PATH, arguments);
  EXPECT_EQ(vlxctl.WaitForExit(20s), 1);

  std::string message = failure.message;
  for (auto at = message.find("PORT"); at != std::string::npos; at = message.find("PORT")) {
    message.replace(at, 4, port);
  }
  EXPECT_EQ(CountOccurrences(vlxctl.Stderr(), message), 1) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedInfo,
    ::testing::Values(
        FailureCase{"MissingPort", {}, {}, "The system cannot find the file specified."},
        FailureCase{"AnotherDevice",
                    {"--identity", "rq7"},
                    {},
                    "Connected device does not appear to be an Velqorin VLX750"},
        FailureCase{"SilentAmplifierAtTheTimeout",
                    {"--silent"},
                    {"--timeout", "1"},
                    "vlxctl: no VLX750 answered on port \"PORT\" within 1 s\n"}),
    ::testing::PrintToStringParamName());

// Status, verbose and trace lines each reach stderr once, whichever of --verbose and --trace is
// given; the result block is printed once.
struct OutputLevels {
  bool verbose;
  bool trace;
};

void PrintTo(const OutputLevels& levels, std::ostream* out) {
  *out << (levels.verbose ? "Verbose" : "Quiet") << (levels.trace ? "Trace" : "NoTrace");
}

class InfoOutputLevels : public ::testing::TestWithParam<OutputLevels> {};

TEST_P(InfoOutputLevels, EachLineIsPrintedOnce) {
  const OutputLevels levels = GetParam();
  SimulatedAmplifier amplifier({});
  ASSERT_TRUE(amplifier.Ready());
  const std::string& port = amplifier.Link();
  std::vector<std::string> extra;
  if (levels.verbose) {
    extra.push_back("--verbose");
  }
  if (levels.trace) {
    extra.push_back("--trace");
  }
  ChildProcess vlxctl(VLXCTL_PATH, Info(port, extra));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();

  const std::string& err = vlxctl.Stderr();
  EXPECT_EQ(CountLines(err, "Opening Serial Port " + port), levels.verbose ? 1 : 0) << err;
  EXPECT_EQ(CountLines(err, "Serial Port " + port + " is open"), 1) << err;
  EXPECT_EQ(CountLines(err, "Attempting to contact VLX on port " + port + " at 38400 bit/s"), 1)
      << err;
  EXPECT_EQ(CountLines(err, "QueryRevisionState Send \"^RVM;\""), levels.trace ? 1 : 0) << err;
  EXPECT_EQ(CountLines(err, "Serial port " + port + " is closed"), levels.verbose ? 1 : 0) << err;
  // Apart from the trace of the search, whose sends may repeat, no line comes twice.
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("EstablishContactState ") != 0) {
      EXPECT_EQ(CountLines(err, line), 1) << line;
    }
  }
  EXPECT_EQ(CountLines(vlxctl.Stdout(), "Device type:   VLX750 (3)"), 1) << vlxctl.Stdout();
}

INSTANTIATE_TEST_SUITE_P(Levels, InfoOutputLevels,
                         ::testing::Values(OutputLevels{false, false}, OutputLevels{true, false},
                                           OutputLevels{false, true}, OutputLevels{true, true}),
                         ::testing::PrintToStringParamName());

// The options may be written as --port=PATH and may follow the verb.
TEST(VlxctlInfo, PortOptionTakesEveryConventionalForm) {
  SimulatedAmplifier amplifier({});
  ASSERT_TRUE(amplifier.Ready());
  const std::string& port = amplifier.Link();
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--port=" + port, "--timeout=20", "info"},
                                             {"info", "--port", port, "--timeout", "20"}}) {
    ChildProcess vlxctl(VLXCTL_PATH, arguments);
    ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << arguments.front() << "\n" << vlxctl.Stderr();
    EXPECT_NE(vlxctl.Stdout().find("Port:          " + port + "\n"), std::string::npos);
  }
}

// The stored settings cannot be read: vlxctl says so once, uses the defaults (no port), leaves the
// file as it was and says so, promising no new name it never gives the file.
TEST(VlxctlInfo, CorruptSettingsFileIsReportedOnce) {
  TemporaryFolder config("vlxctl-e2e-config");
  const fs::path file = config.Path() / "Velqorin" / "VLX Utility.json";
  fs::create_directories(file.parent_path());
  const std::string corrupt = R"({"values": {"Port": )";
  std::ofstream(file) << corrupt;

  ChildProcess vlxctl("/usr/bin/env",
                      {"XDG_CONFIG_HOME=" + config.Path().string(), VLXCTL_PATH, "info"});
  EXPECT_EQ(vlxctl.WaitForExit(10s), 1);
  EXPECT_EQ(CountOccurrences(vlxctl.Stderr(), "vlxctl: the settings file \"" + file.string() +
                                                  "\" could not be used: it is not valid JSON"),
            1)
      << vlxctl.Stderr();
  EXPECT_EQ(CountOccurrences(vlxctl.Stderr(),
                             "vlxctl reads the default settings and leaves the file as it is;"),
            1);
  EXPECT_EQ(CountOccurrences(vlxctl.Stderr(), "corrupt-"), 0);
  EXPECT_EQ(CountOccurrences(vlxctl.Stderr(), "Serial port name is missing"), 1);
  std::ifstream stored(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(stored), {}), corrupt);
}

// The command line alone: help, version and usage errors, each with its exit code. An error is
// one line and a one-line hint, never the whole usage.
struct CommandLineCase {
  std::string name;
  std::vector<std::string> arguments;
  int exitCode;
  std::string output;  // a part of stdout on success; the whole of stderr on a usage error
};

void PrintTo(const CommandLineCase& line, std::ostream* out) {
  *out << line.name;
}

class CommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, AnswersWithItsExitCode) {
  const CommandLineCase& line = GetParam();
  ChildProcess vlxctl(VLXCTL_PATH, line.arguments);
  ASSERT_EQ(vlxctl.WaitForExit(10s), line.exitCode) << vlxctl.Stderr();
  if (line.exitCode == 0) {
    EXPECT_NE(vlxctl.Stdout().find(line.output), std::string::npos) << vlxctl.Stdout();
    EXPECT_EQ(vlxctl.Stderr(), "");
  } else {
    EXPECT_EQ(vlxctl.Stderr(), line.output);
    EXPECT_EQ(vlxctl.Stdout(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    ::testing::Values(
        CommandLineCase{"Version", {"--version"}, 0, "vlxctl - Velqorin VLX Utility Revision 1."},
        CommandLineCase{"HelpListsTheVerbs",
                        {"--help"},
                        0,
                        "  ports                 List the serial ports of this computer\n"},
        CommandLineCase{"HelpListsTheExitCodes",
                        {"--help"},
                        0,
                        "Exit codes:\n"
                        "  0    success: the verb did its work\n"
                        "  1    failure: the verb could not do its work ('vlxctl help VERB' "
                        "says when),\n"
                        "       or its output could not be written\n"
                        "  2    usage error: the command line could not be understood\n"
                        "  3    config restore stopped with part of the configuration "
                        "written;\n"
                        "       send: the text went out but nothing came back\n"
                        "  130  stopped by Ctrl+C: info, banner, faults, send, firmware "
                        "load,\n"},
        CommandLineCase{"HelpOfAVerb", {"help", "info"}, 0, "Usage: vlxctl info [OPTIONS]"},
        CommandLineCase{"VerbHelpFlag", {"info", "--help"}, 0, "Usage: vlxctl info [OPTIONS]"},
        CommandLineCase{"UnknownVerb",
                        {"frobnicate"},
                        2,
                        "vlxctl: unknown verb \"frobnicate\"\nRun 'vlxctl --help' for more.\n"},
        CommandLineCase{"HelpOfAnUnknownVerb",
                        {"help", "frobnicate"},
                        2,
                        "vlxctl: unknown verb \"frobnicate\"\nRun 'vlxctl --help' for more.\n"},
        CommandLineCase{"NoVerb", {}, 2, "vlxctl: no verb given\nRun 'vlxctl --help' for more.\n"},
        CommandLineCase{"TimeoutNotANumber",
                        {"--timeout", "soon", "info"},
                        2,
                        "vlxctl: --timeout: takes a whole number of seconds from 1 to 86400, not "
                        "\"soon\"\nRun 'vlxctl help info' for more.\n"},
        CommandLineCase{"TimeoutZero",
                        {"info", "--timeout=0"},
                        2,
                        "vlxctl: --timeout: takes a whole number of seconds from 1 to 86400, not "
                        "\"0\"\nRun 'vlxctl help info' for more.\n"},
        CommandLineCase{
            "EmptyPortAfterEquals",
            {"--port=", "info"},
            2,
            "vlxctl: --port needs a value after \"=\"\nRun 'vlxctl --help' for more.\n"},
        CommandLineCase{"StrayArgumentAfterTheVerb",
                        {"info", "extra"},
                        2,
                        "vlxctl: unexpected argument \"extra\"\nRun 'vlxctl help info' for "
                        "more.\n"}),
    ::testing::PrintToStringParamName());

}  // namespace
}  // namespace vlx::test
