#pragma once
// The revision a firmware file's name carries: "VLX750fp0152.hex" is revision 152, "01.52".

#include <cstdint>
#include <optional>
#include <string_view>

namespace vlx {

// The value of the last run of digits in the file's base name (the name after its last '/' or
// '\\', without its last '.' and what follows). None when there are no digits, when the base
// name is digits only, or when the value is above 9999, which no revision can be.
std::optional<std::uint16_t> RevisionInFileName(std::string_view path);

}  // namespace vlx
