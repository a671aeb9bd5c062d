#pragma once
// What the power-on banner may hold and how it is shown, in one place for the banner sheet and
// vlxctl: the text an edit may take, the read bytes as the edit shows them, and when an edited
// banner counts as unchanged (then nothing is written).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vlx {

// Where the amplifier keeps its banner: bank 0 from 0x50, eight characters; a shorter text ends
// with a 0 byte.
constexpr std::uint8_t kBannerBank = 0;
constexpr std::uint8_t kBannerAddress = 0x50;
constexpr std::size_t kBannerLength = 8;

// The amplifier's display shows printable ASCII only.
constexpr bool IsBannerCharacter(char character) {
  return character >= 0x20 && character <= 0x7E;
}

// The banner the amplifier holds in its kBannerLength bytes from kBannerAddress: up to the first 0
// byte, all eight without one; empty when the first byte is 0xFF (erased: never written).
std::string BannerOfBytes(std::span<const std::uint8_t, kBannerLength> bytes);

// The text as the edit takes it, lower case made upper case; nothing when it is longer than
// kBannerLength or holds a character outside 0x20-0x7E, so that it is refused as a whole.
std::optional<std::string> AcceptBannerText(std::string_view text);

// The banner's bytes as the edit shows them: each byte outside 0x20-0x7E as "?".
std::string ShownBanner(std::string_view banner);

// Whether saving `edited` would write nothing: it is the text the edit was given for `banner`.
// A banner holding bytes the edit cannot show is thus not rewritten when left untouched.
bool IsBannerUnchanged(std::string_view edited, std::string_view banner);

}  // namespace vlx
