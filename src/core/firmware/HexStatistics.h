#pragma once
// What one read of an Intel HEX text met, counted as it reads: records by type, where the data
// lies against the image, which parts of the image no record wrote, and the lines it skipped.
// `vlxctl hex` prints it; the load log takes its warnings.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vlx {

struct HexStatistics {
  // Records of types 00 (data) to 05 (start linear address) that were read whole.
  std::array<std::uint32_t, 6> recordsByType{};
  // Lowest start and highest end (exclusive) of any data record, without 32-bit wrap; the
  // range is empty (low above high) when there was none.
  std::uint64_t lowAddress = UINT64_MAX;
  std::uint64_t highAddress = 0;
  // Data bytes the image takes, and those it does not (outside its range, or in a record that
  // starts below it).
  std::uint64_t bytesInside = 0;
  std::uint64_t bytesOutside = 0;
  // 64-byte blocks of the image that no record wrote any byte of; they stay 0xFF.
  std::uint32_t blocksUnwritten = 0;
  // Lines read, and the lines that held no record: empty or blank, or other text; and record
  // lines with text after the record. Text after the end-of-file record is never read.
  std::uint32_t lines = 0;
  std::uint32_t blankLines = 0;
  std::uint32_t textLines = 0;
  std::uint32_t textAfterRecord = 0;
  // Lines of data records that start below the image but reach into it: ignored as a whole, so
  // the image's first bytes stay 0xFF.
  std::vector<std::uint32_t> belowStartLines;
};

// The warnings about records below the image, as `vlxctl hex` and the load log give them: the
// first few by line, then how many more. A hostile file may hold tens of thousands; a line for
// each would bury the report and keep the window busy for seconds.
std::vector<std::string> BelowStartWarnings(const HexStatistics& statistics);

}  // namespace vlx
