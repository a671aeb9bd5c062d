#pragma once
// The ring of 128 fault records in a snapshot of the amplifier's four EEPROM banks, walked from
// the newest record to the oldest, and the rows the fault table shows for it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "faults/FaultRecord.h"

namespace vlx {

constexpr std::size_t kFaultSnapshotSize = 4 * 256;  // banks 0 to 3, offset = bank × 256 + address
constexpr std::size_t kFaultRecordCount = 128;
constexpr std::size_t kNextIndexOffset = 0xFE;  // bank 0, address 0xFE
constexpr std::size_t kFaultRingOffset = 0x100;

using FaultSnapshot = std::array<std::uint8_t, kFaultSnapshotSize>;

// Snapshot offset of record index (0 to 127): 0x100 to 0x3FA. A record may straddle two banks.
std::size_t RecordOffset(std::size_t index);

// The record the amplifier will write next, as stored; a damaged ring may hold any byte here.
std::uint8_t NextIndex(const FaultSnapshot& snapshot);

// The index before this one, round the ring: 0 steps back to 127.
std::size_t PreviousIndex(std::size_t index);

// The six bytes of record index; an index outside the ring is taken modulo 128.
std::span<const std::uint8_t, kFaultRecordSize> RecordBytes(const FaultSnapshot& snapshot,
                                                            std::size_t index);

struct FaultWalk {
  // Indexes of the non-empty records, newest first; each record appears at most once.
  std::vector<std::uint8_t> indexes;
  // The next index when it lies outside the ring, which is then walked from 127 down to 0;
  // otherwise empty. Tells the user why the order may not be the amplifier's.
  std::string notice;
};

// Starts at the record before the next index and steps back until the next index's own record
// has been visited, so every record is visited exactly once.
FaultWalk WalkNewestToOldest(const FaultSnapshot& snapshot);

// One record in the fault table's columns: time stamp, fault code, band, data, description.
struct FaultRow {
  std::uint8_t index = 0;
  std::string timeStamp;
  std::string faultCode;
  std::string band;
  std::string data;
  std::string description;
};

FaultRow MakeFaultRow(std::uint8_t index, const FaultRecord& record);

struct FaultTable {
  std::vector<FaultRow> rows;  // newest first, empty records left out
  std::string notice;          // as FaultWalk's
};

FaultTable ListFaults(const FaultSnapshot& snapshot);

}  // namespace vlx
