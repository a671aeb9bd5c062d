#pragma once
// The options every verb of vlxctl shares.

#include <cstdint>
#include <optional>
#include <string>

#include "firmware/FtpServer.h"

namespace vlx::cli {

struct CliOptions {
  std::optional<std::string> port;              // absent: the port stored by the window program
  std::optional<std::uint32_t> timeoutSeconds;  // absent: search until the amplifier answers
  std::optional<FtpServerAddress> ftpServer;    // absent: the FtpServer setting
  bool verbose = false;
  bool quiet = false;  // no status lines nor progress; errors and failure texts are kept
  bool json = false;   // the verb's report as JSON, where it has one
  bool trace = false;
};

// What vlxctl's exit code tells a script; --help lists them.
namespace exit_code {
constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr int kInterrupted = 130;  // stopped by Ctrl+C (128 + SIGINT), as shells report it
}  // namespace exit_code

}  // namespace vlx::cli
