#pragma once
// Turns any error code into the program's text for it. Never fails, never returns a bare number.

#include <cstdint>
#include <functional>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

// The server's last reply, which the FTP extended-error text quotes.
struct FtpLastResponse {
  std::uint32_t error = 0;
  std::string text;
};

// Words for system codes the program has none of its own for. The platform installs its source
// once at start-up, before any error can be shown; without one the built-in words serve.
using SystemTextSource = std::function<std::string(ErrorCode)>;
void InstallSystemErrorTexts(SystemTextSource source);

// The code's text without a trailing run of "\r" and "\n"; empty when the code has none.
std::string FormatErrorText(ErrorCode code);

// The same, where code 12003 quotes `lastResponse`: the caller that holds the FTP session passes
// what its server said last. Without one the suffix reads 0 and no text.
std::string FormatErrorText(ErrorCode code, const FtpLastResponse& lastResponse);

}  // namespace vlx
