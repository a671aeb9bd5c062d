// vlxctl's help as a new user meets it: every verb and sub-verb reachable by "help" and by
// --help, the exit codes and common options in each, lines a terminal of 80 columns holds, and
// slips on the command line told in the program's own words.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;

bool Has(const std::string& text, const std::string& needle) {
  return text.find(needle) != std::string::npos;
}

Finished Vlxctl(const std::vector<std::string>& arguments) {
  return RunProgram(VLXCTL_PATH, arguments, 10s);
}

// The names listed under "Verbs:" in a help text.
std::vector<std::string> VerbsListed(const std::string& help) {
  std::vector<std::string> verbs;
  std::istringstream lines(help);
  std::string line;
  bool inList = false;
  while (std::getline(lines, line)) {
    if (line == "Verbs:") {
      inList = true;
    } else if (inList && line.starts_with("  ") && line[2] != ' ') {
      verbs.push_back(line.substr(2, line.find(' ', 2) - 2));
    } else {
      inList = false;
    }
  }
  return verbs;
}

// Every command line that has a help of its own: each verb, and each sub-verb of those that
// have some, as the help lists them.
std::vector<std::vector<std::string>> EveryHelp() {
  std::vector<std::vector<std::string>> commands{{}};
  for (const std::string& verb : VerbsListed(Vlxctl({"--help"}).out)) {
    commands.push_back({verb});
    for (const std::string& sub : VerbsListed(Vlxctl({verb, "--help"}).out)) {
      commands.push_back({verb, sub});
    }
  }
  return commands;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) {
    joined += (joined.empty() ? "" : " ") + word;
  }
  return joined;
}

TEST(VlxctlHelp, EveryVerbHasItsExitCodesAndTheCommonOptionsWithin80Columns) {
  const std::vector<std::vector<std::string>> commands = EveryHelp();
  ASSERT_NE(std::find(commands.begin(), commands.end(), std::vector<std::string>{"ftp", "fetch"}),
            commands.end())
      << "the sub-verbs were not found";
  for (const std::vector<std::string>& command : commands) {
    SCOPED_TRACE("vlxctl " + Joined(command));
    std::vector<std::string> helpWords{"help"};
    helpWords.insert(helpWords.end(), command.begin(), command.end());
    const Finished asked = Vlxctl(helpWords);
    std::vector<std::string> flagWords = command;
    flagWords.push_back("--help");
    const Finished flagged = Vlxctl(flagWords);
    ASSERT_EQ(asked.exitCode, 0) << asked.err;
    EXPECT_EQ(flagged.exitCode, 0) << flagged.err;
    EXPECT_EQ(asked.out, flagged.out);
    EXPECT_TRUE(Has(asked.out, "Usage: vlxctl" + (command.empty() ? "" : " " + Joined(command))));
    EXPECT_TRUE(Has(asked.out, "Exit codes"));
    if (!command.empty()) {
      EXPECT_TRUE(Has(asked.out, "Common options (before or after the verb):\n  --port PATH"));
    }
    std::istringstream lines(asked.out);
    std::string line;
    while (std::getline(lines, line)) {
      EXPECT_LE(line.size(), 80u) << line;
    }
  }
}

TEST(VlxctlHelp, AVerbWithSubVerbsListsTheirExitCodes) {
  const Finished config = Vlxctl({"help", "config"});
  ASSERT_EQ(config.exitCode, 0);
  EXPECT_TRUE(Has(config.out,
                  "Exit codes of its verbs:\n"
                  "  show                  0 the file is sealed and complete"))
      << config.out;
  EXPECT_TRUE(Has(config.out, "\n  restore               0 restored, 1 the restore failed"));
  EXPECT_TRUE(Has(config.out, "Run 'vlxctl config VERB --help' for the whole help."));
  EXPECT_TRUE(Has(Vlxctl({"firmware", "--help"}).out,
                  "Run 'vlxctl firmware load --help' for its whole help."));
}

TEST(VlxctlHelp, MainHelpSaysWhatTheProgramIsForAndWhoEndsWith130) {
  const Finished help = Vlxctl({"--help"});
  ASSERT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.starts_with("vlxctl: the command-line companion of VLX Utility"));
  EXPECT_TRUE(Has(help.out, "loads firmware; saves, restores and checks configuration files"));
  EXPECT_TRUE(Has(help.out,
                  "  130  stopped by Ctrl+C: info, banner, faults, send, firmware load,\n"
                  "       config save, config restore and ftp fetch (all but info and banner\n"
                  "       also by SIGTERM); monitor ends with 0 on Ctrl+C or SIGTERM\n"))
      << help.out;
}

// A slip on the command line: exit 2, one line in the program's words and a hint to the help
// of the verb in question; stdout stays empty.
struct Slip {
  const char* label;
  std::vector<std::string> arguments;
  std::string err;
};

class VlxctlSlip : public ::testing::TestWithParam<Slip> {};

TEST_P(VlxctlSlip, IsToldInOneLine) {
  const Finished run = Vlxctl(GetParam().arguments);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, GetParam().err);
  EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VlxctlSlip,
    ::testing::Values(
        Slip{"UnknownVerbWithHelp",
             {"serve", "--help"},
             "vlxctl: unknown verb \"serve\"\nRun 'vlxctl --help' for more.\n"},
        Slip{"HelpBeforeAnUnknownVerb",
             {"--port", "x", "--help", "serve"},
             "vlxctl: unknown verb \"serve\"\nRun 'vlxctl --help' for more.\n"},
        Slip{"UnknownSubVerb",
             {"firmware", "lod", "--help"},
             "vlxctl: unknown verb \"firmware lod\"\nRun 'vlxctl help firmware' for more.\n"},
        Slip{"HelpOfAnUnknownSubVerb",
             {"help", "ftp", "get"},
             "vlxctl: unknown verb \"ftp get\"\nRun 'vlxctl --help' for more.\n"},
        Slip{"NoSubVerb",
             {"config"},
             "vlxctl: config needs a verb: show, save or restore\n"
             "Run 'vlxctl help config' for more.\n"},
        Slip{"NumberOutOfRange",
             {"firmware", "load", "--retry-limit", "4"},
             "vlxctl: --retry-limit: takes a whole number of time-outs from 5 to 25, not \"4\"\n"
             "Run 'vlxctl help firmware load' for more.\n"},
        Slip{"NotANumber",
             {"send", "x", "--wait", "soon"},
             "vlxctl: --wait: takes a whole number of milliseconds from 1 to 600000, not "
             "\"soon\"\nRun 'vlxctl help send' for more.\n"},
        Slip{"OptionTwice",
             {"--port", "a", "info", "--port", "b"},
             "vlxctl: --port is given more than once\nRun 'vlxctl help info' for more.\n"},
        Slip{"OptionWithoutItsValue",
             {"info", "--timeout"},
             "vlxctl: --timeout needs a value (SECONDS)\nRun 'vlxctl help info' for more.\n"},
        Slip{"ArgumentMissing",
             {"config", "restore"},
             "vlxctl: FILE is missing: the configuration file (.VLXConfig)\n"
             "Run 'vlxctl help config restore' for more.\n"}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
