#include "config/ConfigurationRanges.h"

namespace vlx {
namespace {

bool InSomeRow(EepromRanges table, std::uint32_t bank, std::uint32_t address) {
  for (const EepromRange& range : table) {
    if (range.bank == bank && address >= range.first && address <= range.last) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool BlockFits(EepromRanges table, std::uint32_t bank, std::uint32_t address, std::uint32_t count) {
  if (count == 0 || address > 0xFF || count > 0x100 || address + count - 1 > 0xFF) {
    return false;
  }
  return InSomeRow(table, bank, address) && InSomeRow(table, bank, address + count - 1);
}

bool IsRestorable(std::uint32_t bank, std::uint8_t address) {
  return InSomeRow(kRestorableRanges, bank, address);
}

std::uint32_t RangeBytes(EepromRanges table) {
  std::uint32_t bytes = 0;
  for (const EepromRange& range : table) {
    bytes += range.last - range.first + 1u;
  }
  return bytes;
}

}  // namespace vlx
