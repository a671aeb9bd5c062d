// Fuzz target of the fault-record decoding. The input is a snapshot of the four EEPROM banks, cut
// or padded with erased bytes to 1024.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "FaultRingInvariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vlx::FaultSnapshot snapshot;
  snapshot.fill(0xFF);
  std::copy_n(data, std::min(size, snapshot.size()), snapshot.begin());
  vlx::fuzz::CheckFaultListing(snapshot);
  return 0;
}
