#pragma once
// What the fault-record decoding keeps to, whatever the snapshot holds: the walk ends, lists each
// non-empty record exactly once and nothing else, newest first, and every column keeps its width.

#include <array>
#include <cstddef>

#include "FuzzCheck.h"
#include "faults/FaultRecord.h"
#include "faults/FaultRing.h"

namespace vlx::fuzz {

inline void CheckFaultListing(const FaultSnapshot& snapshot) {
  const FaultTable table = ListFaults(snapshot);
  std::size_t nonEmpty = 0;
  for (std::size_t i = 0; i < kFaultRecordCount; ++i) {
    nonEmpty += IsEmptyRecord(RecordBytes(snapshot, i)) ? 0 : 1;
  }
  Check(table.rows.size() == nonEmpty, "every non-empty record listed once");
  Check(table.notice.empty() == (NextIndex(snapshot) < kFaultRecordCount),
        "a notice exactly for a next index out of range");

  // Newest first: the indexes fall round the ring from just before the (effective) next index.
  const std::size_t next = NextIndex(snapshot) < kFaultRecordCount ? NextIndex(snapshot) : 0;
  std::array<bool, kFaultRecordCount> seen{};
  std::size_t lastDistance = 0;
  for (const FaultRow& row : table.rows) {
    Check(row.index < kFaultRecordCount && !seen[row.index], "each index once");
    seen[row.index] = true;
    const std::size_t distance = (next + kFaultRecordCount - row.index) % kFaultRecordCount;
    const std::size_t distanceFromNext = distance == 0 ? kFaultRecordCount : distance;
    Check(distanceFromNext > lastDistance, "newest first");
    lastDistance = distanceFromNext;
    Check(!IsEmptyRecord(RecordBytes(snapshot, row.index)), "no empty record listed");
    Check(row.timeStamp.size() == 8 && row.band.size() == 4 && row.data.size() == 4,
          "fixed column widths");
    Check(row.faultCode.size() >= 3 && row.faultCode.size() <= 11, "fault code width");
    Check(row.description.size() <= 64, "description length");
  }
}

}  // namespace vlx::fuzz
