#pragma once
// Writing bytes to an open file descriptor whole: a write the system interrupts or takes only in
// part goes on with the rest, and the first real failure comes back in the program's codes.

#include <string_view>

#include "files/FileCalls.h"
#include "report/ErrorCode.h"

namespace vlx {

// `path` only names the file in the code's mapping (a missing folder, say); it may be empty.
ErrorCode WriteAll(int descriptor, std::string_view bytes, std::string_view path = {},
                   FileCalls& calls = FileCalls::System());

}  // namespace vlx
