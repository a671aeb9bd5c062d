#pragma once
// vlxctl's command line: the options every verb shares, one subcommand per verb (some with
// sub-verbs of their own), "help VERB [SUB]", --help and --version, and a usage error told in one
// line with a hint where to read more.

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "Verb.h"

namespace vlx::cli {

// Checks a whole number from `minimum` to `maximum` and otherwise says "takes a whole number of
// UNIT from MINIMUM to MAXIMUM, not "VALUE"", for the options that take a count or a time.
CLI::Validator WholeNumber(std::uint64_t minimum, std::uint64_t maximum, const std::string& unit,
                           const std::string& typeName);

class CommandLine {
 public:
  // `version` is what --version prints.
  CommandLine(std::vector<std::unique_ptr<Verb>> verbs, const std::string& version);

  // Parses the arguments. Returns the verb to run; nothing when the command line has been
  // answered already (help, version) or was wrong, and then ExitCode() tells how it ended.
  Verb* Parse(int argc, const char* const* argv);
  const CliOptions& Options() const { return options_; }
  int ExitCode() const { return exitCode_; }

 private:
  // What a first look at the words finds before the parser sees them: the (sub-)verb named, a
  // help request, or a slip told in this program's words.
  struct Reading {
    std::vector<std::string> command;  // "firmware", "load"
    bool help = false;
    std::vector<std::string> helpOf;  // the words after "help"
    std::optional<std::string> problem;
  };
  Reading Read(int argc, const char* const* argv);

  Verb* AfterParse();
  std::optional<std::string> MissingArgument();
  void CompleteHelp(CLI::App& command, const std::string& commonOptions);
  int ShowHelp(const std::vector<std::string>& words);
  // The version asked for with an option: CLI11's text, through the checked output.
  int Answer(const CLI::ParseError& call);
  int UsageError(const std::string& message);

  // A verb and the subcommand that stands for it.
  struct VerbCommand {
    std::unique_ptr<Verb> verb;
    CLI::App* subcommand;
  };

  std::shared_ptr<CLI::Formatter> formatter_;
  CLI::App app_;
  std::vector<VerbCommand> verbs_;
  CLI::App* help_ = nullptr;
  CLI::Option* portOption_ = nullptr;
  CLI::Option* timeoutOption_ = nullptr;
  CLI::Option* ftpServerOption_ = nullptr;
  std::string port_;
  std::uint32_t timeoutSeconds_ = 0;
  std::string ftpServer_;
  std::vector<std::string> helpWords_;
  std::vector<std::string> commandWords_;  // the (sub-)verb of this run, for the hint
  CliOptions options_;
  int exitCode_ = exit_code::kSuccess;
};

}  // namespace vlx::cli
