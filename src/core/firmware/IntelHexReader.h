#pragma once
// Reads one Intel HEX text from a byte source, record by record, checking each one, and copies
// data records straight into an image block (load) or only notes their bounds (scan). Counts
// what it meets in the same pass. Lives for one read.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "firmware/ByteSource.h"
#include "firmware/HexStatistics.h"
#include "report/ErrorCode.h"

namespace vlx {

class IntelHexReader {
 public:
  // `image` is the block for addresses [start, start + size); empty to scan without copying.
  // Statistics are counted against that range either way.
  IntelHexReader(ByteSource& source, std::uint32_t start, std::uint32_t end,
                 std::span<std::uint8_t> image);

  // Reads up to and including the end-of-file record. 0, a HEX code, or the source's code.
  ErrorCode Read();

  // The failing record's own line, or the line the text ended on.
  std::uint32_t Line() const { return errorLine_; }
  const HexStatistics& Statistics() const { return statistics_; }

 private:
  static constexpr int kEnd = -1;

  int NextChar();
  bool SkipByteOrderMark(unsigned char c);
  bool Refill();
  void EndLine();
  bool ReadByte(std::uint8_t& value);
  ErrorCode FindRecordStart();
  ErrorCode ReadRecord(bool& endOfFile);
  void TakeData(std::uint64_t address, std::uint8_t count);
  void Finish();

  ByteSource& source_;
  std::string_view chunk_;
  const char* cursor_ = nullptr;
  const char* chunkEnd_ = nullptr;
  ErrorCode sourceError_ = err::kSuccess;
  std::size_t byteOrderMarkSeen_ = 0;

  // Line state. The counter moves at LF, at CR, and once for CR LF.
  std::uint32_t line_ = 1;
  std::uint32_t errorLine_ = 0;
  bool afterCr_ = false;
  bool lineStartPending_ = true;
  bool firstOnLine_ = false;
  bool onlyBlanks_ = true;
  bool lineHasText_ = false;
  bool lineHasRecord_ = false;
  bool inRecord_ = false;

  const std::uint32_t start_;
  const std::uint32_t end_;
  std::span<std::uint8_t> image_;
  std::uint64_t addressBase_ = 0;
  std::uint8_t sum_ = 0;
  std::array<std::uint8_t, 256> record_{};
  std::vector<bool> blockWritten_;
  HexStatistics statistics_;
};

}  // namespace vlx
