#include "config/ConfigurationRanges.h"

namespace vlx {

bool IsRestorable(std::uint8_t bank, std::uint8_t address) {
  for (const EepromRange& range : kRestorableRanges) {
    if (range.bank == bank && address >= range.first && address <= range.last) {
      return true;
    }
  }
  return false;
}

}  // namespace vlx
