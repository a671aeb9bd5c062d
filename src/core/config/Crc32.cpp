#include "config/Crc32.h"

#include <array>

namespace vlx {
namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < table.size(); ++i) {
    std::uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) {
      value = (value & 1) != 0 ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    }
    table[i] = value;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();

}  // namespace

std::uint32_t Crc32(std::string_view text, std::uint32_t crc) {
  std::uint32_t reg = ~crc;
  for (const char character : text) {
    reg = (reg >> 8) ^ kTable[(reg ^ static_cast<unsigned char>(character)) & 0xFF];
  }
  return ~reg;
}

}  // namespace vlx
