#pragma once
// The command line of vlxctl: a verb and its options.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vlx::cli {

struct CliOptions {
  enum class Verb { kHelp, kPorts, kInfo };

  Verb verb = Verb::kHelp;
  std::optional<std::string> port;              // absent: the port stored by the window program
  std::optional<std::uint32_t> timeoutSeconds;  // absent: search until the amplifier answers
  bool verbose = false;
  bool trace = false;
};

// The options, or an error message for the user.
struct ParsedOptions {
  std::optional<CliOptions> options;
  std::string error;
};

ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

extern const char* const kUsage;

}  // namespace vlx::cli
