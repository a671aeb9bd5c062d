#include "firmware/FirmwareImage.h"

#include <algorithm>
#include <new>

#include "firmware/ByteSource.h"
#include "firmware/IntelHexReader.h"

namespace vlx {

ErrorCode FirmwareImage::Load(const std::string& path) {
  BeginLoad(path);
  FileSource file;
  if (const ErrorCode code = file.Open(path); code != err::kSuccess) {
    return code;
  }
  return Fill(file);
}

ErrorCode FirmwareImage::LoadText(std::string_view text) {
  MemorySource memory(text);
  return Load(memory, {});
}

ErrorCode FirmwareImage::Load(ByteSource& source, const std::string& name) {
  BeginLoad(name);
  return Fill(source);
}

void FirmwareImage::BeginLoad(const std::string& name) {
  startAddress_ = kStartAddress;
  endAddress_ = kEndAddress;
  ClearImage();
  fileName_ = name;
  errorLine_ = 0;
  statistics_ = {};
}

ErrorCode FirmwareImage::Fill(ByteSource& source) {
  try {
    data_.assign(kSize, kFill);
  } catch (const std::bad_alloc&) {
    return err::kOutOfMemory;
  }
  IntelHexReader reader(source, startAddress_, endAddress_, data_);
  const ErrorCode code = reader.Read();
  errorLine_ = reader.Line();
  statistics_ = reader.Statistics();
  loaded_ = code == err::kSuccess;
  return code;
}

namespace {

ErrorCode Scan(ByteSource& source, std::uint32_t& start, std::uint32_t& end,
               std::uint32_t& errorLine, HexStatistics& statistics) {
  IntelHexReader reader(source, FirmwareImage::kStartAddress, FirmwareImage::kEndAddress, {});
  const ErrorCode code = reader.Read();
  statistics = reader.Statistics();
  errorLine = reader.Line();
  // A record at the very top of the 32-bit space ends at 2^32, which the field cannot hold.
  start = static_cast<std::uint32_t>(std::min<std::uint64_t>(statistics.lowAddress, 0xFFFFFFFF));
  end = static_cast<std::uint32_t>(std::min<std::uint64_t>(statistics.highAddress, 0xFFFFFFFF));
  return code;
}

}  // namespace

ErrorCode FirmwareImage::ScanBounds(const std::string& path) {
  FileSource file;
  if (const ErrorCode code = file.Open(path); code != err::kSuccess) {
    errorLine_ = 0;
    statistics_ = {};
    return code;
  }
  return ScanBounds(file);
}

ErrorCode FirmwareImage::ScanBoundsText(std::string_view text) {
  MemorySource memory(text);
  return ScanBounds(memory);
}

ErrorCode FirmwareImage::ScanBounds(ByteSource& source) {
  return Scan(source, startAddress_, endAddress_, errorLine_, statistics_);
}

ChecksumState FirmwareImage::Checksum() const {
  ChecksumState state;
  if (data_.size() < 2) {
    return state;
  }
  state.word = static_cast<std::uint16_t>(data_[0] << 8 | data_[1]);
  // The image is an even number of bytes; the high bytes and the low bytes are summed apart.
  std::uint32_t high = 0;
  std::uint32_t low = 0;
  for (std::size_t i = 0; i + 1 < data_.size(); i += 2) {
    high += data_[i];
    low += data_[i + 1];
  }
  state.sum = static_cast<std::uint16_t>((high << 8) + low);
  return state;
}

ErrorCode FirmwareImage::ReconcileChecksum() {
  if (!loaded_) {
    return err::kInvalidData;
  }
  const ChecksumState state = Checksum();
  if (state.word != 0) {
    return state.sum == 0 ? err::kSuccess : err::kHexFileChecksumNotZero;
  }
  if (state.sum == 0) {
    return err::kChecksumWordZero;
  }
  const auto word = static_cast<std::uint16_t>(0x10000 - state.sum);
  data_[0] = static_cast<std::uint8_t>(word >> 8);
  data_[1] = static_cast<std::uint8_t>(word & 0xFF);
  return err::kSuccess;
}

void FirmwareImage::ClearImage() {
  data_.clear();
  data_.shrink_to_fit();
  loaded_ = false;
  fileName_.clear();
}

}  // namespace vlx
