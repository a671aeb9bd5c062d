#pragma once
// How a firmware revision (major * 100 + minor) is shown wherever the program shows one.

#include <cstdint>
#include <string>

namespace vlx {

namespace revision {
constexpr std::uint16_t kUnknown = 0;
constexpr std::uint16_t kNotAvailable = 9999;
constexpr std::uint16_t kLoading = 0xFFFE;
}  // namespace revision

// "??.??", " N/A " and "Loading" for the three marker values, otherwise "MM.mm".
std::string RevisionText(std::uint16_t revision);

}  // namespace vlx
