// Fuzz target of the fault-record decoding. The input is a snapshot of the four EEPROM banks
// (cut or padded with erased bytes to 1024); whatever it holds, the walk ends, lists each
// non-empty record exactly once and nothing else, and every column keeps its width.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "faults/FaultRecord.h"
#include "faults/FaultRing.h"

using vlx::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vlx;
  FaultSnapshot snapshot;
  snapshot.fill(0xFF);
  std::copy_n(data, std::min(size, snapshot.size()), snapshot.begin());

  const FaultTable table = ListFaults(snapshot);
  std::size_t nonEmpty = 0;
  for (std::size_t i = 0; i < kFaultRecordCount; ++i) {
    nonEmpty += IsEmptyRecord(RecordBytes(snapshot, i)) ? 0 : 1;
  }
  Check(table.rows.size() == nonEmpty);
  Check(table.notice.empty() == (NextIndex(snapshot) < kFaultRecordCount));

  // Newest first: the indexes fall round the ring from just before the (effective) next index.
  const std::size_t next = NextIndex(snapshot) < kFaultRecordCount ? NextIndex(snapshot) : 0;
  std::array<bool, kFaultRecordCount> seen{};
  std::size_t lastDistance = 0;
  for (const FaultRow& row : table.rows) {
    Check(row.index < kFaultRecordCount && !seen[row.index]);
    seen[row.index] = true;
    const std::size_t distance = (next + kFaultRecordCount - row.index) % kFaultRecordCount;
    const std::size_t distanceFromNext = distance == 0 ? kFaultRecordCount : distance;
    Check(distanceFromNext > lastDistance);
    lastDistance = distanceFromNext;
    Check(!IsEmptyRecord(RecordBytes(snapshot, row.index)));
    Check(row.timeStamp.size() == 8 && row.band.size() == 4 && row.data.size() == 4);
    Check(row.faultCode.size() >= 3 && row.faultCode.size() <= 11);
    Check(row.description.size() <= 64);
  }
  return 0;
}
