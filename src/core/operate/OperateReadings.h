#pragma once
// One set of the amplifier's operate readings, in the units the amplifier reports them, as one
// poll cycle leaves them in AppSettings.

#include <cstdint>

namespace vlx {

struct OperateReadings {
  std::uint32_t band = 0;         // band index, 0..10 known
  std::uint32_t operateMode = 0;  // 1 operate, 0 standby
  std::uint8_t currentFault = 0;  // as "^FL" reports it, 0 = none
  std::uint16_t power = 0;        // watts
  std::uint16_t swr = 0;          // tenths
  std::uint16_t temperature = 0;  // degrees Celsius
  std::uint16_t paVoltage = 0;    // tenths of a volt
  std::uint16_t paCurrent = 0;    // tenths of an ampere
};

}  // namespace vlx
