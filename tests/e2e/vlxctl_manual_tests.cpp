// The manual page and the bash completion beside the program: the page names the options each
// verb's help lists (and no others), and the completion offers verbs, options, files and ports.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/TemporaryFolder.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

using OptionsByCommand = std::map<std::string, std::set<std::string>>;

const std::regex kOption(R"(--[a-z][a-z-]*)");

void AddOptions(const std::string& text, std::set<std::string>& options) {
  for (std::sregex_iterator it(text.begin(), text.end(), kOption), end; it != end; ++it) {
    options.insert(it->str());
  }
}

std::string HelpOf(const std::string& command) {
  std::vector<std::string> arguments{"help"};
  std::istringstream words(command);
  for (std::string word; words >> word;) {
    arguments.push_back(word);
  }
  return RunProgram(VLXCTL_PATH, arguments, 10s).out;
}

// The options in the first column of the help's "Options:" section ("" for vlxctl itself),
// --help left out of a verb's: every verb has it.
std::set<std::string> OptionsInHelp(const std::string& command) {
  std::set<std::string> options;
  std::istringstream lines(HelpOf(command));
  std::string line;
  bool inOptions = false;
  while (std::getline(lines, line)) {
    if (line.ends_with(":")) {
      inOptions = line == "Options:";
    } else if (inOptions && line.starts_with("  -")) {
      AddOptions(line.substr(0, line.find("  ", 2)), options);
    }
  }
  if (!command.empty()) {
    options.erase("--help");
  }
  return options;
}

// The verbs and sub-verbs the help lists under "Verbs:".
std::vector<std::string> Commands() {
  std::vector<std::string> commands{""};
  const auto verbsOf = [](const std::string& help) {
    std::vector<std::string> verbs;
    std::istringstream lines(help);
    std::string line;
    bool inVerbs = false;
    while (std::getline(lines, line)) {
      if (line.ends_with(":")) {
        inVerbs = line == "Verbs:";
      } else if (inVerbs && line.starts_with("  ") && line[2] != ' ') {
        verbs.push_back(line.substr(2, line.find(' ', 2) - 2));
      }
    }
    return verbs;
  };
  for (const std::string& verb : verbsOf(HelpOf(""))) {
    commands.push_back(verb);
    for (const std::string& sub : verbsOf(HelpOf(verb))) {
      commands.push_back(verb + " " + sub);
    }
  }
  return commands;
}

// The options the page sets in bold at the head of an entry (".B", ".BI", ".BR" lines), by the
// verb whose ".SS" they follow; those of OPTIONS count for vlxctl itself ("").
OptionsByCommand OptionsInManual() {
  std::ifstream page(fs::path(VLX_SOURCE_DIR) / "doc" / "vlxctl.1");
  OptionsByCommand options;
  std::string section;
  std::string command;
  bool inEntryHead = false;
  for (std::string line; std::getline(page, line);) {
    if (line.starts_with(".SH ")) {
      section = line.substr(4);
      command.clear();
    } else if (line.starts_with(".SS ")) {
      std::string title = line.substr(4);
      std::erase(title, '"');
      std::istringstream words(title);
      std::string word;
      command.clear();
      while (words >> word && !word.starts_with("\\f") && !word.starts_with("[")) {
        command += (command.empty() ? "" : " ") + word;
      }
    } else if (line == ".TP") {
      inEntryHead = true;
      continue;
    } else if (inEntryHead && (section == "OPTIONS" || section == "VERBS")) {
      std::string head = line;
      for (std::size_t at; (at = head.find("\\-")) != std::string::npos;) {
        head.erase(at, 1);
      }
      AddOptions(head, options[command]);
    }
    inEntryHead = false;
  }
  return options;
}

TEST(VlxctlManual, NamesTheOptionsOfEveryVerbsHelp) {
  OptionsByCommand manual = OptionsInManual();
  const std::vector<std::string> commands = Commands();
  ASSERT_GT(commands.size(), 10u);
  for (const std::string& command : commands) {
    EXPECT_EQ(manual[command], OptionsInHelp(command)) << "vlxctl " << command;
  }
}

TEST(VlxctlManual, IsReadableWithMan) {
  const Finished man = RunProgram("/usr/bin/env",
                                  {"MANWIDTH=80", "man", "--warnings", "-l",
                                   (fs::path(VLX_SOURCE_DIR) / "doc" / "vlxctl.1").string()},
                                  30s);
  if (man.exitCode != 0 && man.out.empty()) {
    GTEST_SKIP() << "man is not installed: " << man.err;
  }
  EXPECT_EQ(man.exitCode, 0);
  EXPECT_EQ(man.err, "");
  for (const char* section :
       {"SYNOPSIS", "OPTIONS", "VERBS", "EXIT STATUS", "FILES", "ENVIRONMENT", "EXAMPLES"}) {
    EXPECT_NE(man.out.find(std::string("\n") + section + "\n"), std::string::npos) << section;
  }
}

// What the completion offers for a command line; its last word is the one completed. The
// program's name is `program`, so a stand-in can answer "ports".
std::string Completions(const fs::path& folder, const std::string& program,
                        const std::string& line) {
  const std::string script =
      "cd \"$1\" && source \"$2\" && read -ra COMP_WORDS <<< \"$3\"; "
      "[[ $3 == *' ' ]] && COMP_WORDS+=(''); COMP_WORDS[0]=$4; "
      "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vlxctl; "
      "((${#COMPREPLY[@]})) && printf '%s\\n' \"${COMPREPLY[@]}\" | sort | tr '\\n' ' '";
  const Finished run =
      RunProgram("/bin/bash",
                 {"-c", script, "bash", folder.string(),
                  (fs::path(VLX_SOURCE_DIR) / "completions" / "vlxctl").string(), line, program},
                 10s);
  EXPECT_EQ(run.err, "") << line;
  return run.out;
}

struct CompletionCase {
  const char* label;
  std::string line;
  std::string offered;
};

class VlxctlCompletion : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(VlxctlCompletion, Offers) {
  TemporaryFolder folder("vlxctl-completion");
  for (const char* name : {"a.hex", "b.txt", "c.VLXConfig", "d.VLXFaultTable"}) {
    std::ofstream(folder.Path() / name) << "x";
  }
  fs::create_directory(folder.Path() / "sub");
  const fs::path ports = folder.Path() / "ports";
  std::ofstream(ports) << "#!/bin/sh\necho ttyUSB0\necho ttyACM1\n";
  fs::permissions(ports, fs::perms::owner_all);
  EXPECT_EQ(Completions(folder.Path(), ports.string(), GetParam().line), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VlxctlCompletion,
    ::testing::Values(
        CompletionCase{"Verb", "vlxctl con", "config "},
        CompletionCase{"SubVerb", "vlxctl config ", "restore save show "},
        CompletionCase{"HelpOfASubVerb", "vlxctl help ftp f", "fetch "},
        CompletionCase{"CommonOption", "vlxctl --ti", "--timeout "},
        CompletionCase{
            "VerbOption", "vlxctl config restore --",
            "--ftp-server --help --other-serial --port --quiet --timeout --trace --verbose --yes "},
        CompletionCase{"Port", "vlxctl --port tty", "ttyACM1 ttyUSB0 "},
        CompletionCase{"FirmwareFile", "vlxctl --port x firmware load ", "a.hex sub "},
        CompletionCase{"ConfigurationFile", "vlxctl config show ", "c.VLXConfig sub "},
        CompletionCase{"FaultTableFile", "vlxctl faults --save ", "d.VLXFaultTable sub "},
        CompletionCase{"NothingAfterTheFile", "vlxctl hex a.hex ", ""}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
