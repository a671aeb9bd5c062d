#pragma once
// `vlxctl config show FILE`: what a configuration file holds and whether a restore would take
// it, without a port: its header lines, the seal's verdict, the bytes by address and the banner
// among them.

#include <string>

namespace vlx::cli {

// The report on stdout; the reader's message (or why the file could not be read) on stderr.
// Returns 0 for a good file, 2 for a file a restore would refuse.
// With `json` the report is one JSON object.
int RunConfigShow(const std::string& path, bool json);

}  // namespace vlx::cli
