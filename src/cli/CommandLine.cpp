#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "ConsoleReporting.h"
#include "Output.h"
#include "text/Ascii.h"

namespace vlx::cli {
namespace {

constexpr const char* kProgram = "vlxctl";
constexpr const char* kVerbGroup = "Verbs";
constexpr std::size_t kHelpColumn = 24;
constexpr std::size_t kHelpWidth = 80;

const char* const kDescription =
    "vlxctl: the command-line companion of VLX Utility for the VLX750 amplifier. It\n"
    "finds the amplifier on a serial port and reads its state, fault history and\n"
    "banner; loads firmware; saves, restores and checks configuration files; sends\n"
    "commands, polls readings, and fetches new firmware from the FTP server.\n";

const char* const kFooter =
    "Run 'vlxctl help VERB' (or 'vlxctl VERB --help') for the help of one verb.\n"
    "\n"
    "Exit codes:\n"
    "  0    success: the verb did its work\n"
    "  1    failure: the verb could not do its work ('vlxctl help VERB' says when),\n"
    "       or its output could not be written\n"
    "  2    usage error: the command line could not be understood\n"
    "  3    config restore stopped with part of the configuration written;\n"
    "       send: the text went out but nothing came back\n"
    "  130  stopped by Ctrl+C: info, banner, faults, send, firmware load,\n"
    "       config save, config restore and ftp fetch (all but info and banner\n"
    "       also by SIGTERM); monitor ends with 0 on Ctrl+C or SIGTERM\n";

const char* const kHelpFooter =
    "Without VERB the help of vlxctl itself; 'vlxctl help firmware load' shows the\n"
    "help of a sub-verb.\n"
    "\n"
    "Exit codes: 0 the help was shown, 2 usage error or an unknown verb.\n";

const char* const kCommonOptionsTitle = "Common options (before or after the verb)";

constexpr std::uint32_t kMaxTimeoutSeconds = 86400;

// CLI11 reads "--port=" as "--port" and would take the next word as its value.
std::optional<std::string> EmptyValue(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.starts_with("--") && argument.size() > 3 && argument.ends_with("=")) {
      return std::string(argument.substr(0, argument.size() - 1));
    }
  }
  return std::nullopt;
}

std::string CheckNotEmpty(std::string& value) {
  return value.empty() ? "needs a port name or path" : "";
}

std::string CheckFtpServer(std::string& value) {
  return ParseFtpServer(value)
             ? ""
             : "takes a host name, HOST:PORT or [IPv6 address]:PORT, not \"" + value + "\"";
}

std::string Joined(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) {
    joined += (joined.empty() ? "" : " ") + word;
  }
  return joined;
}

std::string HintFor(const std::vector<std::string>& command) {
  return command.empty() ? "Run 'vlxctl --help' for more."
                         : "Run 'vlxctl help " + Joined(command) + "' for more.";
}

bool LooksLikeOption(const std::string& argument) {
  return argument.size() > 1 && argument.front() == '-';
}

bool IsHelpOption(const std::string& name) {
  return name == "-h" || name == "--help";
}

std::vector<CLI::App*> SubcommandsOf(CLI::App& command) {
  return command.get_subcommands([](CLI::App*) { return true; });
}

CLI::App* SubcommandNamed(CLI::App& command, const std::string& name) {
  for (CLI::App* subcommand : SubcommandsOf(command)) {
    if (subcommand->get_name() == name) {
      return subcommand;
    }
  }
  return nullptr;
}

// The option `name` as `command` reads it: its own, or one it lets through to its parents.
const CLI::Option* OptionNamed(const CLI::App& command, const std::string& name) {
  for (const CLI::App* app = &command; app != nullptr; app = app->get_parent()) {
    for (const CLI::Option* option : app->get_options()) {
      if (option->nonpositional() && option->check_name(name)) {
        return option;
      }
    }
  }
  return nullptr;
}

// "show, save or restore"
std::string NamesOf(CLI::App& command) {
  const std::vector<CLI::App*> subcommands = SubcommandsOf(command);
  std::string names;
  for (std::size_t i = 0; i < subcommands.size(); ++i) {
    names += (i == 0 ? "" : i + 1 == subcommands.size() ? " or " : ", ");
    names += subcommands[i]->get_name();
  }
  return names;
}

// `text` as lines of at most `width` columns: the first goes on from `column`, the others start
// at `indent`.
std::string Wrapped(const std::string& text, std::size_t width, std::size_t column,
                    std::size_t indent) {
  std::string lines;
  bool lineStart = true;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(' ', pos);
    end = end == std::string::npos ? text.size() : end;
    const std::string word = text.substr(pos, end - pos);
    pos = end + 1;
    if (word.empty()) {
      continue;
    }
    if (!lineStart && column + 1 + word.size() > width) {
      lines += "\n" + std::string(indent, ' ');
      column = indent;
      lineStart = true;
    }
    if (!lineStart) {
      lines += ' ';
      ++column;
    }
    lines += word;
    column += word.size();
    lineStart = false;
  }
  return lines;
}

// A help text with its prose lines filled anew to `width` columns; indented lines (tables) stay
// as they are.
std::string Reflowed(const std::string& text, std::size_t width) {
  std::string reflowed;
  std::string prose;
  const auto endProse = [&] {
    if (!prose.empty()) {
      reflowed += Wrapped(prose, width, 0, 0) + "\n";
      prose.clear();
    }
  };
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string::npos ? text.size() : end;
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty() || line.front() == ' ') {
      endProse();
      reflowed += line + "\n";
    } else {
      prose += (prose.empty() ? "" : " ") + line;
    }
  }
  endProse();
  if (!text.empty() && text.back() != '\n') {
    reflowed.pop_back();
  }
  return reflowed;
}

// The paragraph of a help footer that starts "Exit codes: ", as one line.
std::string ExitCodesOf(const std::string& footer) {
  constexpr std::string_view kStart = "Exit codes: ";
  const std::size_t start = footer.find(kStart);
  if (start == std::string::npos) {
    return "";
  }
  const std::size_t end = footer.find("\n\n", start);
  std::string codes = footer.substr(
      start + kStart.size(), end == std::string::npos ? footer.npos : end - start - kStart.size());
  std::replace(codes.begin(), codes.end(), '\n', ' ');
  while (!codes.empty() && codes.back() == ' ') {
    codes.pop_back();
  }
  return codes;
}

}  // namespace

CLI::Validator WholeNumber(std::uint64_t minimum, std::uint64_t maximum, const std::string& unit,
                           const std::string& typeName) {
  return CLI::Validator(
      [=](std::string& value) -> std::string {
        std::uint64_t number = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        if (error == std::errc() && end == value.data() + value.size() && number >= minimum &&
            number <= maximum) {
          return "";
        }
        return "takes a whole number of " + unit + " from " + std::to_string(minimum) + " to " +
               std::to_string(maximum) + ", not \"" + value + "\"";
      },
      "", typeName);
}

CommandLine::CommandLine(std::vector<std::unique_ptr<Verb>> verbs, const std::string& version)
    : formatter_(std::make_shared<CLI::Formatter>()), app_(kDescription, kProgram) {
  formatter_->column_width(kHelpColumn);
  formatter_->label("SUBCOMMAND", "VERB");
  app_.formatter(formatter_);
  app_.footer(kFooter);
  app_.set_version_flag("--version", version, "Show the program's name and version and exit");
  app_.require_subcommand(0, 1);

  portOption_ = app_.add_option("--port", port_,
                                "Serial port: a name under /dev such as ttyUSB0, or any\n"
                                "path; without it the port chosen in VLX Utility")
                    ->type_name("PATH")
                    ->check(CLI::Validator(CheckNotEmpty, "", "PATH"));
  timeoutOption_ = app_.add_option("--timeout", timeoutSeconds_,
                                   "Give up the search for the amplifier after this long\n"
                                   "(1 to 86400); without it the search goes on until\n"
                                   "the amplifier answers")
                       ->type_name("SECONDS")
                       ->check(WholeNumber(1, kMaxTimeoutSeconds, "seconds", "SECONDS"));
  ftpServerOption_ = app_.add_option("--ftp-server", ftpServer_,
                                     "FTP server for this run: HOST, HOST:PORT or [IPv6]:PORT;\n"
                                     "without it the server set in VLX Utility")
                         ->type_name("HOST[:PORT]")
                         ->check(CLI::Validator(CheckFtpServer, "", "HOST[:PORT]"));
  app_.add_flag("--verbose", options_.verbose, "Show verbose status lines as well");
  app_.add_flag("--quiet", options_.quiet, "Leave out status lines and progress (errors stay)");
  app_.add_flag("--trace", options_.trace, "Show every command sent and reply received");

  // Every verb's help lists the options it shares with the others.
  const std::string commonOptions = formatter_->make_group(
      kCommonOptionsTitle, false, std::as_const(app_).get_options([](const CLI::Option* option) {
        return !option->check_name("--help") && !option->check_name("--version");
      }));

  for (std::unique_ptr<Verb>& verb : verbs) {
    CLI::App* subcommand = app_.add_subcommand(verb->Name(), verb->Summary());
    // A subcommand starts with its parent's footer; each verb's help has its own.
    subcommand->group(kVerbGroup)->fallthrough()->footer("");
    verb->AddArguments(*subcommand);
    CompleteHelp(*subcommand, commonOptions);
    verbs_.push_back({std::move(verb), subcommand});
  }
  help_ = app_.add_subcommand("help", "Show this help, or the help of one verb");
  help_->group(kVerbGroup)->fallthrough()->footer(kHelpFooter);
  help_->add_option("VERB", helpWords_, "The verb (and its sub-verb) to explain")
      ->type_name("VERB [SUB]");
  CompleteHelp(*help_, commonOptions);
}

// A verb with sub-verbs lists them with their exit codes; every help ends with the common
// options.
void CommandLine::CompleteHelp(CLI::App& command, const std::string& commonOptions) {
  for (CLI::Option* option : command.get_options()) {
    option->description(Reflowed(option->get_description(), kHelpWidth - kHelpColumn));
    // "FILE TEXT REQUIRED": the type says nothing the name does not.
    if (option->get_positional()) {
      option->type_name("");
    }
  }
  const std::vector<CLI::App*> subcommands = SubcommandsOf(command);
  std::string footer = command.get_footer();
  if (!subcommands.empty()) {
    footer += footer.empty() ? "" : "\n";
    footer += "Exit codes of its verbs:\n";
    for (CLI::App* subcommand : subcommands) {
      const std::string label = "  " + subcommand->get_name();
      footer +=
          label + std::string(kHelpColumn - label.size(), ' ') +
          Wrapped(ExitCodesOf(subcommand->get_footer()), kHelpWidth, kHelpColumn, kHelpColumn) +
          "\n";
    }
    const std::string sub = subcommands.size() == 1 ? subcommands.front()->get_name() : "VERB";
    footer += "Run 'vlxctl " + command.get_name() + " " + sub + " --help' for " +
              (subcommands.size() == 1 ? "its" : "the") + " whole help.\n";
    for (CLI::App* subcommand : subcommands) {
      subcommand->group(kVerbGroup);
      CompleteHelp(*subcommand, commonOptions);
    }
  }
  command.footer(Reflowed(footer, kHelpWidth) + commonOptions);
}

Verb* CommandLine::Parse(int argc, const char* const* argv) {
  if (const std::optional<std::string> option = EmptyValue(argc, argv)) {
    exitCode_ = UsageError(*option + " needs a value after \"=\"");
    return nullptr;
  }
  const Reading reading = Read(argc, argv);
  commandWords_ = reading.command;
  if (reading.problem) {
    exitCode_ = UsageError(*reading.problem);
    return nullptr;
  }
  if (reading.help) {
    exitCode_ = ShowHelp(reading.command);
    return nullptr;
  }
  if (reading.command == std::vector<std::string>{help_->get_name()}) {
    exitCode_ = ShowHelp(reading.helpOf);
    return nullptr;
  }
  try {
    app_.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    exitCode_ = ShowHelp(commandWords_);
    return nullptr;
  } catch (const CLI::CallForVersion& call) {
    exitCode_ = Answer(call);
    return nullptr;
  } catch (const CLI::ExtrasError&) {
    exitCode_ = UsageError("unexpected argument \"" + app_.remaining().front() + "\"");
    return nullptr;
  } catch (const CLI::RequiredError& error) {
    exitCode_ = UsageError(MissingArgument().value_or(error.what()));
    return nullptr;
  } catch (const CLI::ParseError& error) {
    exitCode_ = UsageError(error.what());
    return nullptr;
  }
  return AfterParse();
}

// Walks the words as the parser will: options with their values (an option of a verb may not
// come before it), verbs and sub-verbs. What it cannot place is left to the parser.
CommandLine::Reading CommandLine::Read(int argc, const char* const* argv) {
  Reading reading;
  CLI::App* command = &app_;
  std::vector<const CLI::Option*> given;
  for (int i = 1; i < argc && !reading.problem; ++i) {
    const std::string argument = argv[i];
    if (argument == "--") {
      break;
    }
    if (LooksLikeOption(argument)) {
      const std::size_t equals = argument.find('=');
      const std::string name = argument.substr(0, equals);
      if (IsHelpOption(name)) {
        reading.help = true;
        continue;
      }
      const CLI::Option* option = OptionNamed(*command, name);
      if (option == nullptr) {
        break;
      }
      if (option->get_type_size_max() == 0 || option->get_items_expected_min() == 0) {
        continue;
      }
      if (std::count(given.begin(), given.end(), option) > 0 &&
          option->get_items_expected_max() == 1) {
        reading.problem = name + " is given more than once";
      } else if (equals == std::string::npos && i + 1 == argc) {
        reading.problem = name + " needs a value (" + option->get_type_name() + ")";
      }
      given.push_back(option);
      i += equals == std::string::npos ? 1 : 0;
      continue;
    }
    if (command == help_) {
      reading.helpOf.push_back(argument);
    } else if (CLI::App* subcommand = SubcommandNamed(*command, argument)) {
      command = subcommand;
      reading.command.push_back(argument);
    } else if (!SubcommandsOf(*command).empty()) {
      std::vector<std::string> words = reading.command;
      words.push_back(argument);
      reading.problem = "unknown verb \"" + Joined(words) + "\"";
    }
  }
  if (!reading.problem && !reading.help && command != &app_ &&
      command->get_require_subcommand_min() > 0) {
    reading.problem = Joined(reading.command) + " needs a verb: " + NamesOf(*command);
  }
  return reading;
}

// "FILE is missing (the configuration file (.VLXConfig))" for the argument the verb lacks.
std::optional<std::string> CommandLine::MissingArgument() {
  CLI::App* command = &app_;
  for (const std::string& word : commandWords_) {
    command = SubcommandNamed(*command, word);
  }
  for (const CLI::Option* option : std::as_const(*command).get_options()) {
    if (option->get_positional() && option->get_required() && option->count() == 0) {
      std::string what = option->get_description();
      std::replace(what.begin(), what.end(), '\n', ' ');
      if (!what.empty()) {
        what[0] = LowerAscii(what[0]);
      }
      return option->get_name(true) + " is missing: " + what;
    }
  }
  return std::nullopt;
}

Verb* CommandLine::AfterParse() {
  if (options_.quiet && options_.verbose) {
    exitCode_ = UsageError("--quiet and --verbose cannot be given together");
    return nullptr;
  }
  if (portOption_->count() > 0) {
    options_.port = port_;
  }
  if (timeoutOption_->count() > 0) {
    options_.timeoutSeconds = timeoutSeconds_;
  }
  if (ftpServerOption_->count() > 0) {
    options_.ftpServer = ParseFtpServer(ftpServer_);
  }
  for (const VerbCommand& command : verbs_) {
    if (command.subcommand->parsed()) {
      return command.verb.get();
    }
  }
  exitCode_ = UsageError("no verb given");
  return nullptr;
}

int CommandLine::ShowHelp(const std::vector<std::string>& words) {
  CLI::App* command = &app_;
  for (const std::string& word : words) {
    command = SubcommandNamed(*command, word);
    if (command == nullptr) {
      commandWords_.clear();
      return UsageError("unknown verb \"" + Joined(words) + "\"");
    }
  }
  const std::string name = words.empty() ? kProgram : std::string(kProgram) + " " + Joined(words);
  WriteOutput(formatter_->make_help(command, name, CLI::AppFormatMode::Normal));
  return exit_code::kSuccess;
}

int CommandLine::Answer(const CLI::ParseError& call) {
  // Help and version are told on `out` alone.
  std::ostringstream out;
  std::ostringstream unused;
  const int code = app_.exit(call, out, unused);
  WriteOutput(out.str());
  return code;
}

int CommandLine::UsageError(const std::string& message) {
  PrintError(std::string(kProgram) + ": " + message);
  PrintError(HintFor(commandWords_));
  return exit_code::kUsage;
}

}  // namespace vlx::cli
