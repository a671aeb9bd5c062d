#pragma once
// The program's own error texts, by code (facility 0x200). Used by FormatErrorText only.

#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

// The text of one of the program's own codes, without a line ending; empty for any other code.
std::string_view MessageTableText(ErrorCode code);

}  // namespace vlx
