#pragma once
// The lookup of the program's numbered user-visible texts.
// Their ids live in one header per area (report/*TextIds.h): a new text recompiles only the files
// of its area, not every file that shows a text.

#include <cstdint>
#include <string_view>

namespace vlx {

// The text with the given id; empty when there is none.
std::string_view LoadString(std::uint32_t id);

}  // namespace vlx
