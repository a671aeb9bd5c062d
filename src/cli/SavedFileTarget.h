#pragma once
// The rule every verb that saves a file applies to its target before it uses the port: a missing
// file is written, an existing regular file is replaced only with --force, and anything else (a
// device node, a pipe, a symbolic link) is never replaced, --force or not.

#include <optional>
#include <string>

namespace vlx {

// The line that refuses `path` on stderr, or nothing when it may be written.
std::optional<std::string> RefusalToSave(const std::string& path, bool force);

}  // namespace vlx
