#pragma once
// Writing a whole file so that a crash, a full disk or a refused write never leaves it half
// written: the bytes go to a temporary file beside it, reach the disk, and are renamed into place.
// Failures come back in the program's codes through the shared errno table.

#include <string>
#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

// Replaces the contents of `path` with `bytes`, creating its folder when missing. On failure the
// old file is untouched and no temporary file is left behind.
ErrorCode ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace vlx
