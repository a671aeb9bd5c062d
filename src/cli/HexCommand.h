#pragma once
// `vlxctl hex FILE`: reads a firmware file as a load would and tells what it holds and whether
// the amplifier could be loaded from it. No port, no event loop.

#include <string>

namespace vlx::cli {

// Prints the report on stdout (as JSON with `json`) and the file's error, if any, on stderr as
// FILE:LINE: error 0xCODE: text. Returns 0 when the file is loadable, 1 when it is not.
int RunHexCommand(const std::string& path, bool json);

}  // namespace vlx::cli
