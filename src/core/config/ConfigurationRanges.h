#pragma once
// Which EEPROM bytes make up the amplifier's configuration: what a save reads and writes to its
// file, and what a restore takes from a file.

#include <array>
#include <cstdint>

namespace vlx {

struct EepromRange {
  std::uint8_t bank;
  std::uint8_t first;
  std::uint8_t last;  // inclusive
  const char* name;
};

inline constexpr std::array<EepromRange, 1> kConfigurationRanges = {{{0, 0x00, 0xDF, "Bank 0"}}};
inline constexpr std::array<EepromRange, 1> kRestorableRanges = {{{0, 0x00, 0xDF, "Bank 0"}}};

bool IsRestorable(std::uint8_t bank, std::uint8_t address);

}  // namespace vlx
