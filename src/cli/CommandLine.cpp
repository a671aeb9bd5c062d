#include "CommandLine.h"

#include <charconv>
#include <optional>
#include <sstream>
#include <string_view>

#include "ConsoleReporting.h"
#include "Output.h"

namespace vlx::cli {
namespace {

constexpr const char* kProgram = "vlxctl";
constexpr const char* kVerbGroup = "Verbs";
constexpr std::size_t kHelpColumn = 24;

const char* const kDescription =
    "vlxctl: the command-line companion of VLX Utility. It finds a VLX750 amplifier\n"
    "on a serial port and tells what it knows about it.\n";

const char* const kFooter =
    "Run 'vlxctl help VERB' (or 'vlxctl VERB --help') for the help of one verb.\n"
    "\n"
    "Exit codes:\n"
    "  0    success: the verb did its work\n"
    "  1    failure: the verb could not do its work ('vlxctl help VERB' says when)\n"
    "  2    usage error: the command line could not be understood\n"
    "  3    config restore stopped with part of the configuration written;\n"
    "       send: the text went out but nothing came back\n"
    "  130  stopped by Ctrl+C or SIGTERM (firmware load, config save, send, ftp fetch)\n";

const char* const kVerbFooter =
    "The options of vlxctl (--port, --timeout, --ftp-server, --verbose, --quiet,\n"
    "--trace) may come before or after the verb; 'vlxctl --help' lists them with the\n"
    "exit codes.\n";

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

std::string HintFor(const std::string& verbName) {
  return verbName.empty() ? "Run 'vlxctl --help' for more."
                          : "Run 'vlxctl help " + verbName + "' for more.";
}

bool LooksLikeOption(const std::string& argument) {
  return !argument.empty() && argument.front() == '-';
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
    : app_(kDescription, kProgram) {
  app_.footer(kFooter);
  app_.set_version_flag("--version", version, "Show the program's name and version and exit");
  app_.require_subcommand(0, 1);

  app_.get_formatter()->column_width(kHelpColumn);
  app_.get_formatter()->label("SUBCOMMAND", "VERB");
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

  for (std::unique_ptr<Verb>& verb : verbs) {
    CLI::App* subcommand = app_.add_subcommand(verb->Name(), verb->Summary());
    subcommand->group(kVerbGroup)->fallthrough()->footer(kVerbFooter);
    verb->AddArguments(*subcommand);
    verbs_.push_back({std::move(verb), subcommand});
  }
  help_ = app_.add_subcommand("help", "Show this help, or the help of one verb");
  help_->group(kVerbGroup)->fallthrough()->footer(kVerbFooter);
  help_->add_option("verb", helpVerb_, "The verb to explain")->type_name("VERB");
}

Verb* CommandLine::Parse(int argc, const char* const* argv) {
  if (const std::optional<std::string> option = EmptyValue(argc, argv)) {
    exitCode_ = UsageError(*option + " needs a value after \"=\"");
    return nullptr;
  }
  try {
    app_.parse(argc, argv);
  } catch (const CLI::CallForHelp& call) {
    exitCode_ = Answer(call);
    return nullptr;
  } catch (const CLI::CallForVersion& call) {
    exitCode_ = Answer(call);
    return nullptr;
  } catch (const CLI::ExtrasError&) {
    // A word where a verb belongs is the most likely slip; anything else CLI11 names itself.
    const std::vector<std::string> extras = app_.remaining();
    if (app_.get_subcommands().empty() && !extras.empty() && !LooksLikeOption(extras.front())) {
      exitCode_ = UsageError("unknown verb \"" + extras.front() + "\"");
    } else {
      exitCode_ = UsageError("unexpected argument \"" + extras.front() + "\"");
    }
    return nullptr;
  } catch (const CLI::ParseError& error) {
    exitCode_ = UsageError(error.what());
    return nullptr;
  }
  return AfterParse();
}

Verb* CommandLine::AfterParse() {
  if (options_.quiet && options_.verbose) {
    exitCode_ = UsageError("--quiet and --verbose cannot be given together");
    return nullptr;
  }
  if (help_->parsed()) {
    exitCode_ = ShowHelp(helpVerb_);
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

int CommandLine::ShowHelp(const std::string& verbName) {
  const std::shared_ptr<CLI::FormatterBase> formatter = app_.get_formatter();
  if (verbName.empty()) {
    WriteOutput(formatter->make_help(&app_, kProgram, CLI::AppFormatMode::Normal));
    return exit_code::kSuccess;
  }
  for (const VerbCommand& command : verbs_) {
    if (command.verb->Name() == verbName) {
      WriteOutput(formatter->make_help(command.subcommand, std::string(kProgram) + " " + verbName,
                                       CLI::AppFormatMode::Normal));
      return exit_code::kSuccess;
    }
  }
  return UsageError("unknown verb \"" + verbName + "\"");
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
  std::string verbName;
  for (const CLI::App* subcommand : app_.get_subcommands()) {
    if (subcommand != help_) {
      verbName = subcommand->get_name();
    }
  }
  PrintError(std::string(kProgram) + ": " + message);
  PrintError(HintFor(verbName));
  return exit_code::kUsage;
}

}  // namespace vlx::cli
