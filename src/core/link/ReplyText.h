#pragma once
// Reading the amplifier's replies: the tests that several machines' Accept operations share,
// and the printable form used in trace lines.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlx {

// True when `name` occurs anywhere in `reply`, byte for byte; an empty reply contains nothing.
bool ReplyContains(std::string_view reply, std::string_view name);

// A decimal number as the amplifier's replies carry it: leading blanks, an optional sign, digits
// up to the first other character (no digits read as 0). Saturates at the 32-bit limits.
std::int32_t ParseSignedDecimal(std::string_view text);

// `reply` must start with `prefix`; the rest is read by ParseSignedDecimal. Gives the low 16
// bits of a value that, taken as signed, is at most 65535; nothing otherwise.
std::optional<std::uint16_t> ParseNumberReply(std::string_view reply, std::string_view prefix);

// "^RVM" followed by digit, digit, ".", digit, digit, ";" (anything after is ignored): the
// revision as major * 100 + minor.
std::optional<std::uint16_t> ParseRevisionReply(std::string_view reply);

// Bytes 0x20..0x7E as they are, every other byte as a backslash, "x" and two upper-case hex
// digits.
std::string PrintableReply(std::string_view reply);

}  // namespace vlx
