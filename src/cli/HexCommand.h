#pragma once
// `vlxctl hex FILE`: reads a firmware file as a load would and tells what it holds and whether
// the amplifier could be loaded from it. No port, no event loop.

#include <optional>
#include <string>

namespace vlx::cli {

// Reads the firmware file as a load would and reconciles its checksum word. When the amplifier
// could not be loaded from it, the one line that says why, as `hex` prints it; nothing when it
// could.
std::optional<std::string> FirmwareFileProblem(const std::string& path);

// Prints the report on stdout (as JSON with `json`) and the file's error, if any, on stderr as
// FILE:LINE: error 0xCODE: text. Returns 0 when the file is loadable, 1 when it is not.
int RunHexCommand(const std::string& path, bool json);

}  // namespace vlx::cli
