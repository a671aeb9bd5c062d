#pragma once
// Turns any error code into the program's text for it. Never fails, never returns a bare number.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

// The server's last reply, for the suffix of the FTP extended-error text.
struct FtpLastResponse {
  std::uint32_t error = 0;
  std::string text;
};

// Hooks the platform fills: words for system codes the program has none of its own for, and the
// FTP binding's last server reply. Both may be left empty.
struct ErrorTextSources {
  std::function<std::string(ErrorCode)> systemText;
  std::function<std::optional<FtpLastResponse>()> ftpLastResponse;
};

void InstallErrorTextSources(ErrorTextSources sources);

// The code's text without a trailing run of "\r" and "\n"; empty when the code has none.
std::string FormatErrorText(ErrorCode code);

}  // namespace vlx
