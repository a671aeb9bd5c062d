#pragma once
// The tables of EEPROM ranges that bound every block the program reads or writes: any bank may be
// read, only bank 0 up to 0xEF written, and of that only 0x00-0xDF is the configuration a save
// keeps and a restore puts back (0xE0-0xEF hold the factory's unit data).

#include <array>
#include <cstdint>
#include <span>

namespace vlx {

struct EepromRange {
  std::uint32_t bank;
  std::uint8_t first;
  std::uint8_t last;  // inclusive
  const char* name;
};

using EepromRanges = std::span<const EepromRange>;

inline constexpr std::array<EepromRange, 4> kReadableRanges = {{{0, 0x00, 0xFF, "Bank 0"},
                                                                {1, 0x00, 0xFF, "Bank 1"},
                                                                {2, 0x00, 0xFF, "Bank 2"},
                                                                {3, 0x00, 0xFF, "Bank 3"}}};
inline constexpr std::array<EepromRange, 1> kRestorableRanges = {{{0, 0x00, 0xDF, "Bank 0"}}};
inline constexpr std::array<EepromRange, 1> kConfigurationRanges = {{{0, 0x00, 0xDF, "Bank 0"}}};
inline constexpr std::array<EepromRange, 1> kWritableRanges = {{{0, 0x00, 0xEF, "Bank 0"}}};

// Whether the block of `count` bytes from `address` of `bank` stays inside the bank and both its
// first and its last byte lie in rows of `table` for that bank. An empty block fits nowhere.
bool BlockFits(EepromRanges table, std::uint32_t bank, std::uint32_t address, std::uint32_t count);

// Whether a restore takes the byte at `address` of `bank` from a file.
bool IsRestorable(std::uint32_t bank, std::uint8_t address);

// The number of bytes the rows of `table` hold.
std::uint32_t RangeBytes(EepromRanges table);

}  // namespace vlx
