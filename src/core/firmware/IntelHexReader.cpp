#include "firmware/IntelHexReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "text/Ascii.h"

namespace vlx {
namespace {

constexpr std::uint32_t kBlockSize = 64;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum RecordType : std::uint8_t {
  kData = 0,
  kEndOfFile = 1,
  kExtendedSegmentAddress = 2,
  kStartSegmentAddress = 3,
  kExtendedLinearAddress = 4,
  kStartLinearAddress = 5,
};

}  // namespace

IntelHexReader::IntelHexReader(ByteSource& source, std::uint32_t start, std::uint32_t end,
                               std::span<std::uint8_t> image)
    : source_(source), start_(start), end_(end), image_(image) {}

bool IntelHexReader::Refill() {
  if (sourceError_ != err::kSuccess) {
    return false;
  }
  sourceError_ = source_.Next(chunk_);
  if (chunk_.empty()) {
    return false;
  }
  cursor_ = chunk_.data();
  chunkEnd_ = cursor_ + chunk_.size();
  return true;
}

// Line ends are skipped wherever they stand, also between the digits of a record.
int IntelHexReader::NextChar() {
  for (;;) {
    if (cursor_ == chunkEnd_ && !Refill()) {
      return kEnd;
    }
    const auto c = static_cast<unsigned char>(*cursor_++);
    if (byteOrderMarkSeen_ < kByteOrderMark.size() && SkipByteOrderMark(c)) {
      continue;
    }
    if (c == '\n') {
      if (!afterCr_) {
        EndLine();
      }
      afterCr_ = false;
      continue;
    }
    if (c == '\r') {
      EndLine();
      afterCr_ = true;
      continue;
    }
    afterCr_ = false;
    firstOnLine_ = lineStartPending_;
    lineStartPending_ = false;
    return c;
  }
}

// A UTF-8 byte-order mark at the very start of the text is skipped, even when its bytes arrive
// in separate chunks. Anything else there ends the chance; the bytes of a mark begun but not
// finished are text, so the line they stand on opens no record.
bool IntelHexReader::SkipByteOrderMark(unsigned char c) {
  if (static_cast<unsigned char>(kByteOrderMark[byteOrderMarkSeen_]) == c) {
    ++byteOrderMarkSeen_;
    return true;
  }
  if (byteOrderMarkSeen_ != 0) {
    lineStartPending_ = false;
    onlyBlanks_ = false;
    lineHasText_ = true;
  }
  byteOrderMarkSeen_ = kByteOrderMark.size();
  return false;
}

void IntelHexReader::EndLine() {
  if (lineHasRecord_) {
    statistics_.textAfterRecord += lineHasText_ ? 1 : 0;
  } else if (lineHasText_) {
    ++statistics_.textLines;
  } else {
    ++statistics_.blankLines;
  }
  ++line_;
  lineStartPending_ = true;
  onlyBlanks_ = true;
  lineHasText_ = false;
  lineHasRecord_ = inRecord_;  // a record broken across lines goes on here
}

bool IntelHexReader::ReadByte(std::uint8_t& value) {
  const int highChar = NextChar();
  const int high = highChar == kEnd ? -1 : HexDigitValue(static_cast<char>(highChar));
  if (high < 0) {
    return false;
  }
  const int lowChar = NextChar();
  const int low = lowChar == kEnd ? -1 : HexDigitValue(static_cast<char>(lowChar));
  if (low < 0) {
    return false;
  }
  value = static_cast<std::uint8_t>(high << 4 | low);
  sum_ = static_cast<std::uint8_t>(sum_ + value);
  return true;
}

// Skips to the next ':' that opens a line. Other lines, and text after a record, are skipped
// and counted; a ':' behind nothing but blanks is an indented record, and an error rather than
// a record that silently vanishes.
ErrorCode IntelHexReader::FindRecordStart() {
  for (;;) {
    const int c = NextChar();
    if (c == kEnd) {
      errorLine_ = line_;
      return err::kHexMissingEndOfFile;
    }
    if (c == ':') {
      if (firstOnLine_) {
        return err::kSuccess;
      }
      if (onlyBlanks_) {
        errorLine_ = line_;
        return err::kHexMissingColon;
      }
    }
    if (!IsBlank(static_cast<char>(c))) {
      onlyBlanks_ = false;
      lineHasText_ = true;
    }
  }
}

ErrorCode IntelHexReader::ReadRecord(bool& endOfFile) {
  if (const ErrorCode code = FindRecordStart(); code != err::kSuccess) {
    return code;
  }
  const std::uint32_t recordLine = line_;
  errorLine_ = recordLine;
  inRecord_ = true;
  lineHasRecord_ = true;
  sum_ = 0;
  std::uint8_t count = 0;
  std::uint8_t addressHigh = 0;
  std::uint8_t addressLow = 0;
  std::uint8_t type = 0;
  if (!ReadByte(count) || !ReadByte(addressHigh) || !ReadByte(addressLow) || !ReadByte(type)) {
    return err::kUnexpectedHexCharacter;
  }
  // The data bytes and then the checksum byte.
  for (unsigned i = 0; i <= count; ++i) {
    if (!ReadByte(record_[i])) {
      return err::kUnexpectedHexCharacter;
    }
  }
  inRecord_ = false;
  onlyBlanks_ = false;
  if (sum_ != 0) {
    return err::kHexLineChecksum;
  }
  const std::uint32_t address = static_cast<std::uint32_t>(addressHigh << 8 | addressLow);
  const std::uint32_t value = static_cast<std::uint32_t>(record_[0] << 8 | record_[1]);
  switch (type) {
    case kData:
      TakeData(addressBase_ + address, count);
      break;
    case kEndOfFile:
      endOfFile = true;
      break;
    case kExtendedSegmentAddress:
    case kExtendedLinearAddress:
      // Fewer than two data bytes would leave the address to the checksum or a stale byte.
      if (count < 2) {
        return err::kHexDataRecordLength;
      }
      addressBase_ =
          type == kExtendedSegmentAddress ? std::uint64_t{value} << 4 : std::uint64_t{value} << 16;
      break;
    case kStartSegmentAddress:
    case kStartLinearAddress:
      break;
    default:
      return err::kHexUnknownRecordType;
  }
  ++statistics_.recordsByType[type];
  return err::kSuccess;
}

// A record that starts inside the image is cut at its end; one that starts below it is ignored
// as a whole even where it reaches in (and noted, since the image's first word then stays
// 0xFFFF).
void IntelHexReader::TakeData(std::uint64_t address, std::uint8_t count) {
  const std::uint64_t recordEnd = address + count;
  statistics_.lowAddress = std::min(statistics_.lowAddress, address);
  statistics_.highAddress = std::max(statistics_.highAddress, recordEnd);
  if (address < start_ || address >= end_) {
    statistics_.bytesOutside += count;
    if (address < start_ && recordEnd > start_) {
      statistics_.belowStartLines.push_back(errorLine_);
    }
    return;
  }
  const auto offset = static_cast<std::uint32_t>(address - start_);
  const std::uint32_t taken =
      std::min<std::uint32_t>(count, end_ - static_cast<std::uint32_t>(address));
  statistics_.bytesInside += taken;
  statistics_.bytesOutside += count - taken;
  if (!image_.empty()) {
    std::memcpy(image_.data() + offset, record_.data(), taken);
  }
  for (std::uint32_t block = offset / kBlockSize;
       taken != 0 && block <= (offset + taken - 1) / kBlockSize; ++block) {
    blockWritten_[block] = true;
  }
}

void IntelHexReader::Finish() {
  // A last line without a line end counts as well when it holds text.
  if (lineHasText_) {
    ++(lineHasRecord_ ? statistics_.textAfterRecord : statistics_.textLines);
  }
  statistics_.lines = line_;
  statistics_.blocksUnwritten =
      static_cast<std::uint32_t>(std::count(blockWritten_.begin(), blockWritten_.end(), false));
}

ErrorCode IntelHexReader::Read() {
  ErrorCode code = err::kSuccess;
  // The counts grow with the text (a line per warning); running out of memory is a code too.
  try {
    blockWritten_.assign((end_ - start_ + kBlockSize - 1) / kBlockSize, false);
    for (bool endOfFile = false; !endOfFile && code == err::kSuccess;) {
      code = ReadRecord(endOfFile);
    }
  } catch (const std::bad_alloc&) {
    return err::kOutOfMemory;
  }
  // A failed read ends the text early: the source's code says why, not the record it cut.
  if (sourceError_ != err::kSuccess) {
    code = sourceError_;
    errorLine_ = line_;
  }
  Finish();
  return code;
}

}  // namespace vlx
