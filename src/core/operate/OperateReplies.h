#pragma once
// Reading the replies of the operate poll cycle: a number after a prefix, and the two
// blank-separated numbers of "^WS" and "^VI".

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vlx {

// `reply` must start with `prefix`; the rest is one signed decimal number.
std::optional<std::int32_t> SignedNumberReply(std::string_view reply, std::string_view prefix);

// `reply` must start with `prefix`; the rest, split at blanks, must be exactly two numbers, each
// at most 65535 taken as signed. Gives their low 16 bits.
std::optional<std::array<std::uint16_t, 2>> TwoFieldReply(std::string_view reply,
                                                          std::string_view prefix);

}  // namespace vlx
