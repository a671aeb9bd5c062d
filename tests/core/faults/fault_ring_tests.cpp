// Fault records in the fault table's words, and the ring walked newest to oldest.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "faults/FaultRecord.h"
#include "faults/FaultRing.h"
#include "support/CaseNames.h"

namespace vlx {
namespace {

struct RecordCase {
  const char* label;
  std::array<std::uint8_t, kFaultRecordSize> bytes;
  const char* timeStamp;
  const char* faultCode;
  const char* band;
  const char* data;
  const char* description;
};

class FaultRecordRows : public ::testing::TestWithParam<RecordCase> {};

TEST_P(FaultRecordRows, ShowTheDialogsColumns) {
  const RecordCase& c = GetParam();
  const FaultRow row = MakeFaultRow(5, DecodeFaultRecord(c.bytes));
  EXPECT_EQ(row.timeStamp, c.timeStamp);
  EXPECT_EQ(row.faultCode, c.faultCode);
  EXPECT_EQ(row.band, c.band);
  EXPECT_EQ(row.data, c.data);
  EXPECT_EQ(row.description, c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FaultRecordRows,
    ::testing::Values(
        // Time stamp 123456 = 0x01E240, low 16 bits first; data 0x1234 low byte first.
        RecordCase{"GainErrorOn20m",
                   {0x40, 0xE2, 0x01, 0x6F, 0x34, 0x12},
                   "00123456",
                   "0F GAIN ERR",
                   " 20 ",
                   "1234",
                   "Excessive overall amplifier gain"},
        RecordCase{"SupplyErrorOn160m",
                   {0x01, 0x00, 0x00, 0x2E, 0x00, 0x00},
                   "00000001",
                   "0E 270V ERR",
                   "160 ",
                   "0000",
                   "270V supply failure"},
        RecordCase{"LargestTimeStamp",
                   {0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF},
                   "16777215",
                   "00 PWR ON",
                   " -- ",
                   "FFFF",
                   "Power was turned on"},
        RecordCase{"Band6m",
                   {0x00, 0x01, 0x00, 0xB9, 0x0A, 0x00},
                   "00000256",
                   "09 REFL HI",
                   "  6 ",
                   "000A",
                   "Excessive reflected power (high SWR)"},
        RecordCase{"UnnamedBandAndUnusedCode5",
                   {0, 0, 1, 0xC5, 0, 0},
                   "00065536",
                   "05 ",
                   " -- ",
                   "0000",
                   ""},
        RecordCase{"UnusedCode3", {0, 0, 0, 0x33, 0, 0}, "00000000", "03 ", " 80 ", "0000", ""},
        RecordCase{"UnusedCode10", {0, 0, 0, 0xFA, 0, 0}, "00000000", "0A ", " -- ", "0000", ""},
        // Not the description of code 15, which the low nibble of 0xFF would name.
        RecordCase{"NoFaultWithOtherBytesSet",
                   {0x10, 0, 0, 0xFF, 0x01, 0},
                   "00000016",
                   "FF NO FAULT",
                   " -- ",
                   "0001",
                   ""}),
    test::ByLabel{});

TEST(FaultCodeText, ShowsTheLowNibbleAndLeavesNoFaultAndNoneApart) {
  EXPECT_EQ(FaultCodeText(0x00), "00 PWR ON");
  EXPECT_EQ(FaultCodeText(0x71), "01 PWR OFF");  // the band nibble is not part of the code
  EXPECT_EQ(FaultCodeText(0xFF), "FF NO FAULT");
  EXPECT_EQ(FaultCodeText(0xFE), "0E 270V ERR");
  // The Operate page shows nothing for no current fault, but a power-on event with a band is
  // still a code.
  EXPECT_EQ(CurrentFaultText(0x00), "");
  EXPECT_EQ(CurrentFaultText(0x60), "00 PWR ON");
  EXPECT_EQ(CurrentFaultText(0x0C), "0C POUT HI");
  EXPECT_EQ(CurrentFaultText(0xFF), "FF NO FAULT");
}

// A snapshot of erased EEPROM with records whose time stamp is their own index + 1000, so a
// row tells which record it came from.
class Ring {
 public:
  Ring() { snapshot_.fill(0xFF); }

  Ring& Next(std::uint8_t next) {
    snapshot_[kNextIndexOffset] = next;
    return *this;
  }

  Ring& Record(std::size_t index, std::uint8_t bandAndCode = 0x64) {
    const std::uint32_t stamp = static_cast<std::uint32_t>(index) + 1000;
    const std::array<std::uint8_t, kFaultRecordSize> bytes{static_cast<std::uint8_t>(stamp),
                                                           static_cast<std::uint8_t>(stamp >> 8),
                                                           0,
                                                           bandAndCode,
                                                           0,
                                                           0};
    std::copy(bytes.begin(), bytes.end(), snapshot_.begin() + RecordOffset(index));
    return *this;
  }

  Ring& Records(std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last; ++i) {
      Record(i);
    }
    return *this;
  }

  const FaultSnapshot& Snapshot() const { return snapshot_; }

 private:
  FaultSnapshot snapshot_{};
};

std::vector<std::uint8_t> Indexes(std::initializer_list<std::pair<int, int>> runs) {
  std::vector<std::uint8_t> indexes;
  for (const auto& [from, to] : runs) {
    for (int i = from; i != to - 1; --i) {
      indexes.push_back(static_cast<std::uint8_t>(i));
    }
  }
  return indexes;
}

TEST(FaultRingWalk, WrappedRingRunsFromBeforeTheNextIndexBackRoundTheEnd) {
  // Records 3 to 99 were never written; 42 straddles banks 1 and 2 (offsets 0x1FC to 0x201).
  const Ring ring = Ring().Next(3).Records(0, 2).Records(100, 127).Record(42, 0x2E);
  const FaultTable table = ListFaults(ring.Snapshot());
  std::vector<std::uint8_t> listed;
  for (const FaultRow& row : table.rows) {
    listed.push_back(row.index);
  }
  EXPECT_EQ(listed, (Indexes({{2, 0}, {127, 100}, {42, 42}})));
  EXPECT_EQ(table.rows.front().timeStamp, "00001002");
  EXPECT_EQ(table.rows.back().timeStamp, "00001042");
  EXPECT_EQ(table.rows.back().faultCode, "0E 270V ERR");
  EXPECT_EQ(table.notice, "");
}

TEST(FaultRingWalk, NextIndexZeroListsRecord127FirstAndRecord0Last) {
  const FaultWalk walk = WalkNewestToOldest(Ring().Next(0).Records(0, 127).Snapshot());
  EXPECT_EQ(walk.indexes, Indexes({{127, 0}}));
}

TEST(FaultRingWalk, ErasedRingListsNothingAndRecordsOfNoFaultStay) {
  EXPECT_TRUE(ListFaults(Ring().Next(5).Snapshot()).rows.empty());
  const FaultTable table = ListFaults(Ring().Next(5).Record(9, 0xFF).Snapshot());
  ASSERT_EQ(table.rows.size(), 1u);
  EXPECT_EQ(table.rows[0].faultCode, "FF NO FAULT");
}

class OutOfRangeNextIndex : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(OutOfRangeNextIndex, ListsEveryRecordFrom127DownTo0AndSaysSo) {
  const std::uint8_t next = GetParam();
  const FaultWalk walk =
      WalkNewestToOldest(Ring().Next(next).Records(0, 9).Records(60, 127).Snapshot());
  EXPECT_EQ(walk.indexes, Indexes({{127, 60}, {9, 0}}));
  char value[8];
  std::snprintf(value, sizeof value, "0x%02X", next);
  EXPECT_NE(walk.notice.find(value), std::string::npos) << walk.notice;
  EXPECT_NE(walk.notice.find("127 down to 0"), std::string::npos) << walk.notice;
}

INSTANTIATE_TEST_SUITE_P(Cases, OutOfRangeNextIndex, ::testing::Values(0x80, 0xFF),
                         [](const auto& info) { return "Next" + std::to_string(info.param); });

}  // namespace
}  // namespace vlx
