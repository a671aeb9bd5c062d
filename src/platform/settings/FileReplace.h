#pragma once
// Writing a whole file so that a crash, a full disk or a refused write never leaves it half
// written: the bytes go to a temporary file beside it, reach the disk, and are renamed into place.
// Failures come back in the program's codes through the shared errno table, with the step that
// failed.

#include <string>
#include <string_view>

#include "model/FileStore.h"

namespace vlx {

// Replaces the contents of `path` with `bytes`, creating its folder when missing. A replaced file
// keeps its permissions; a new one gets `newFileMode` as far as the user's umask allows. On failure
// the old file is untouched and no temporary file is left behind. Anything at `path` but a regular
// file (a folder, a device node, a pipe, a symbolic link even to a regular file) is refused with
// 5 at step "CreateFile" and left as it is.
FileOutcome ReplaceFile(const std::string& path, std::string_view bytes,
                        unsigned newFileMode = 0666);

}  // namespace vlx
