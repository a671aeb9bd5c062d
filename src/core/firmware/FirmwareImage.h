#pragma once
// The amplifier's program memory as read from an Intel HEX firmware file: a fixed block from
// 0x000800 up to 0x01FD80 in which bytes no record writes stay 0xFF, with the checksum
// reconciliation word at its first address. The firmware load sends it in 64-byte blocks.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/HexStatistics.h"
#include "report/ErrorCode.h"

namespace vlx {

class ByteSource;

// The word sum of an image and its reconciliation word, as `ReconcileChecksum` finds them.
struct ChecksumState {
  std::uint16_t word = 0;  // big-endian word at the image's first address
  std::uint16_t sum = 0;   // sum of every big-endian word of the image, the word included
};

class FirmwareImage {
 public:
  static constexpr std::uint32_t kStartAddress = 0x000800;
  static constexpr std::uint32_t kEndAddress = 0x01FD80;
  static constexpr std::uint32_t kSize = kEndAddress - kStartAddress;  // 128,384 bytes
  static constexpr std::uint32_t kBlockSize = 64;
  static constexpr std::uint32_t kBlockCount = kSize / kBlockSize;  // 2,006
  static constexpr std::uint8_t kFill = 0xFF;

  FirmwareImage() = default;
  FirmwareImage(const FirmwareImage&) = delete;
  FirmwareImage& operator=(const FirmwareImage&) = delete;

  // Reads the file into the image. Returns 0 or the reason it failed: a system code when the
  // file cannot be read (2 missing, 5 a folder or no permission, 30 a read failure), or a HEX
  // code of the record at `ErrorLine()`. After a failure the image holds what was copied so far
  // and is not loaded.
  ErrorCode Load(const std::string& path);
  // The same from text in memory; the file name is left empty.
  ErrorCode LoadText(std::string_view text);
  ErrorCode Load(ByteSource& source, const std::string& name);

  // Reads the file without keeping data: the start and end address become the lowest start and
  // the highest end of any data record (0xFFFFFFFF and 0 when there is none). Returns as `Load`.
  ErrorCode ScanBounds(const std::string& path);
  ErrorCode ScanBoundsText(std::string_view text);
  ErrorCode ScanBounds(ByteSource& source);

  // On a loaded image: 0 when the word is present and the image's words sum to 0, 0xE2000041
  // when they do not; with the word 0, fills it in so that they do (0), or leaves it when the
  // sum is 0 already (0xA2000047). 13 on an image that is not loaded.
  ErrorCode ReconcileChecksum();
  // The word and the sum as they stand, without changing anything; zeros when there is no data.
  ChecksumState Checksum() const;

  // Frees the data block, clears loaded and the file name.
  void ClearImage();

  std::uint32_t StartAddress() const { return startAddress_; }
  // First address after the image (exclusive).
  std::uint32_t EndAddress() const { return endAddress_; }
  bool Loaded() const { return loaded_; }
  // Null when no `Load` has allocated the block. A block at address A lies at
  // Data() + (A - StartAddress()).
  const std::uint8_t* Data() const { return data_.empty() ? nullptr : data_.data(); }
  const std::uint8_t* DataEnd() const {
    return Data() == nullptr ? nullptr : Data() + data_.size();
  }
  std::span<const std::uint8_t> Bytes() const { return data_; }
  const std::string& FileName() const { return fileName_; }
  // The line the last `Load` or `ScanBounds` stopped at: a failing record's own line (of its
  // ':'), or the last line when the text ended without an end-of-file record.
  std::uint32_t ErrorLine() const { return errorLine_; }
  // What the last `Load` or `ScanBounds` read, counted in the same pass.
  const HexStatistics& Statistics() const { return statistics_; }

 private:
  void BeginLoad(const std::string& name);
  ErrorCode Fill(ByteSource& source);

  std::uint32_t endAddress_ = 0xFFFFFFFF;
  std::uint32_t startAddress_ = 0;
  bool loaded_ = false;
  std::vector<std::uint8_t> data_;
  std::string fileName_;
  std::uint32_t errorLine_ = 0;
  HexStatistics statistics_;
};

}  // namespace vlx
