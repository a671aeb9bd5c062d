#include "CliOptions.h"

#include <charconv>

namespace vlx::cli {

const char* const kUsage =
    "Usage: vlxctl [OPTIONS] VERB\n"
    "\n"
    "Verbs:\n"
    "  ports             list the serial ports of this computer\n"
    "  info              find the VLX750 on the port and print what is known about it\n"
    "\n"
    "Options:\n"
    "  --port PATH       serial port (a name such as ttyUSB0, or a path); without it the port\n"
    "                    chosen in VLX Utility is used\n"
    "  --timeout SECONDS give up the search for the amplifier after this long\n"
    "                    (without it the search goes on until the amplifier answers)\n"
    "  --verbose         show verbose status lines as well\n"
    "  --trace           show every command sent and reply received\n"
    "  --help            show this text\n";

namespace {
std::optional<std::uint32_t> ParseSeconds(const std::string& text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 86400) {
    return std::nullopt;
  }
  return value;
}
}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& arguments) {
  CliOptions options;
  std::optional<CliOptions::Verb> verb;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--help" || argument == "-h") {
      return {CliOptions{}, {}};
    } else if (argument == "--verbose") {
      options.verbose = true;
    } else if (argument == "--trace") {
      options.trace = true;
    } else if (argument == "--port") {
      if (!hasValue || arguments[i + 1].empty()) {
        return {std::nullopt, "--port needs a port name or path"};
      }
      options.port = arguments[++i];
    } else if (argument == "--timeout") {
      if (!hasValue) {
        return {std::nullopt, "--timeout needs a number of seconds"};
      }
      options.timeoutSeconds = ParseSeconds(arguments[++i]);
      if (!options.timeoutSeconds) {
        return {std::nullopt, "--timeout takes a whole number of seconds from 1 to 86400, not \"" +
                                  arguments[i] + "\""};
      }
    } else if (!verb && argument == "ports") {
      verb = CliOptions::Verb::kPorts;
    } else if (!verb && argument == "info") {
      verb = CliOptions::Verb::kInfo;
    } else {
      return {std::nullopt, "unknown argument \"" + argument + "\""};
    }
  }
  if (!verb) {
    return {std::nullopt, "no verb given"};
  }
  options.verb = *verb;
  return {options, {}};
}

}  // namespace vlx::cli
