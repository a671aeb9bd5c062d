#pragma once
// The rule every verb that saves a file applies to its target before it uses the port.
// A missing file is written and an existing regular file replaced only with --force; anything else
// (a folder, a device node, a pipe, a symbolic link) is never replaced.

#include <optional>
#include <string>

namespace vlx {

// The line that refuses `path` on stderr, or nothing when it may be written.
std::optional<std::string> RefusalToSave(const std::string& path, bool force);

// The same for a target that may name a folder, the file's own name in it to be chosen once the
// amplifier has answered: such a folder must take new files.
std::optional<std::string> RefusalToSaveInto(const std::string& target, bool force);

}  // namespace vlx
