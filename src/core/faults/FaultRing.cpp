#include "faults/FaultRing.h"

#include "report/FaultTextIds.h"
#include "report/TextFormat.h"

namespace vlx {

std::size_t RecordOffset(std::size_t index) {
  return kFaultRingOffset + kFaultRecordSize * index;
}

std::uint8_t NextIndex(const FaultSnapshot& snapshot) {
  return snapshot[kNextIndexOffset];
}

std::size_t PreviousIndex(std::size_t index) {
  return index == 0 ? kFaultRecordCount - 1 : index - 1;
}

std::span<const std::uint8_t, kFaultRecordSize> RecordBytes(const FaultSnapshot& snapshot,
                                                            std::size_t index) {
  return std::span(snapshot)
      .subspan(RecordOffset(index % kFaultRecordCount))
      .first<kFaultRecordSize>();
}

FaultWalk WalkNewestToOldest(const FaultSnapshot& snapshot) {
  FaultWalk walk;
  std::size_t next = NextIndex(snapshot);
  if (next >= kFaultRecordCount) {
    // Stepping back from such an index would never meet it again and would leave the ring.
    // A next index of 0 walks 127 down to 0, which lists everything the ring still holds.
    walk.notice = FormatText(ids::kFaultNextIndexOutOfRange, {static_cast<std::uint32_t>(next)});
    next = 0;
  }
  std::size_t index = next;
  do {
    index = PreviousIndex(index);
    if (!IsEmptyRecord(RecordBytes(snapshot, index))) {
      walk.indexes.push_back(static_cast<std::uint8_t>(index));
    }
  } while (index != next);
  return walk;
}

FaultRow MakeFaultRow(std::uint8_t index, const FaultRecord& record) {
  FaultRow row;
  row.index = index;
  row.timeStamp = FormatText("%08u", {record.timeStamp});
  row.faultCode = FaultCodeText(record.bandAndCode);
  row.band = BandName(record.bandAndCode);
  row.data = FormatText("%04X", {record.data});
  row.description = FaultDescription(record.bandAndCode);
  return row;
}

FaultTable ListFaults(const FaultSnapshot& snapshot) {
  FaultWalk walk = WalkNewestToOldest(snapshot);
  FaultTable table;
  table.notice = std::move(walk.notice);
  table.rows.reserve(walk.indexes.size());
  for (const std::uint8_t index : walk.indexes) {
    table.rows.push_back(MakeFaultRow(index, DecodeFaultRecord(RecordBytes(snapshot, index))));
  }
  return table;
}

}  // namespace vlx
