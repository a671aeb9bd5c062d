#include "ImageStore.h"

namespace vlxsim {

namespace {

constexpr char kErased = static_cast<char>(0xFF);

std::uint16_t WordSum(const std::string& memory) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < memory.size(); i += 2) {
    sum += (std::uint32_t{static_cast<unsigned char>(memory[i])} << 8) |
           static_cast<unsigned char>(memory[i + 1]);
  }
  return static_cast<std::uint16_t>(sum);
}

void PutWord(std::string& memory, std::size_t offset, std::uint16_t word) {
  memory[offset] = static_cast<char>(word >> 8);
  memory[offset + 1] = static_cast<char>(word & 0xFF);
}

}  // namespace

ImageStore::ImageStore(std::uint16_t revision) : memory_(kSize, kErased) {
  PutWord(memory_, kRevisionAddress - kStart, revision);
  PutWord(memory_, 0, 0);
  PutWord(memory_, 0, static_cast<std::uint16_t>(0x10000u - WordSum(memory_)));
}

bool ImageStore::IsBlockAddress(std::uint32_t address) {
  return address >= kStart && address + kBlockSize <= kEnd && address % kBlockSize == 0;
}

bool ImageStore::WriteBlock(std::uint32_t address, std::string_view bytes) {
  if (!IsBlockAddress(address) || bytes.size() != kBlockSize) {
    return false;
  }
  memory_.replace(address - kStart, kBlockSize, bytes);
  return true;
}

std::string_view ImageStore::Read(std::uint32_t address, std::size_t count) const {
  if (address < kStart || address >= kEnd) {
    return {};
  }
  return std::string_view(memory_).substr(address - kStart, count);
}

std::uint16_t ImageStore::Word(std::uint32_t address) const {
  const std::string_view bytes = Read(address, 2);
  if (bytes.size() != 2) {
    return 0xFFFF;
  }
  return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                    static_cast<unsigned char>(bytes[1]));
}

bool ImageStore::SumsToZero() const {
  return WordSum(memory_) == 0;
}

}  // namespace vlxsim
