#pragma once
// What vlxctl says where the core hands over an outcome the window words for its boxes: the
// same facts in a terminal's terms (a file that is a folder, a file too large to be one of ours,
// a settings file vlxctl reads around).

#include <cstdint>
#include <string>

#include "report/ErrorCode.h"

namespace vlx::cli {

// One of the program's files could not be used at `step` (a file_step name) with `code`.
std::string FileFailureWords(const std::string& step, ErrorCode code, const std::string& path);

// A step of an FTP run failed with `code`; `reason` is the code's text.
std::string FtpFailureWords(const std::string& step, ErrorCode code, const std::string& reason);

// A restore wrote all `totalBytes` bytes, but the amplifier fell silent after reloading them.
std::string SilentAfterReloadWords(std::uint32_t totalBytes);

// The window's settings file could not be used for `reason`; vlxctl reads the defaults and leaves
// the file where it is for the window to keep aside.
std::string SettingsFileWords(const std::string& path, const std::string& reason);

}  // namespace vlx::cli
