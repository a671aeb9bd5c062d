#include "Line.h"

#include <algorithm>
#include <array>

namespace vlxsim {

namespace {

constexpr std::uint64_t kBitsPerByte = 10;
constexpr std::uint64_t kMaxGarblePerByte = 8;

// Bytes a UART typically reports when the bit timing is off: runs of ones after a stretched start
// bit. All of them have the top bit set.
constexpr std::array<unsigned char, 8> kGarble = {0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

}  // namespace

bool IsLineRate(std::uint32_t rate) {
  return rate == 4800 || rate == 9600 || rate == 19200 || rate == 38400;
}

std::uint32_t LineTimeMicros(std::size_t byteCount, std::uint32_t rate) {
  if (rate == 0) {
    return 0;
  }
  const std::uint64_t bits = static_cast<std::uint64_t>(byteCount) * kBitsPerByte;
  return static_cast<std::uint32_t>((bits * 1'000'000 + rate - 1) / rate);
}

std::string AcrossRates(std::string_view bytes, std::uint32_t senderRate,
                        std::uint32_t receiverRate) {
  if (senderRate == receiverRate) {
    return std::string(bytes);
  }
  if (senderRate == 0 || receiverRate == 0 || bytes.empty()) {
    return {};
  }
  const std::uint64_t sent = bytes.size();
  const std::uint64_t scaled = (sent * receiverRate + senderRate - 1) / senderRate;
  const std::uint64_t count = std::clamp<std::uint64_t>(scaled, 1, sent * kMaxGarblePerByte);
  std::string garble;
  garble.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto source = static_cast<unsigned char>(bytes[i % sent]);
    garble.push_back(static_cast<char>(kGarble[(source + i * 3) % kGarble.size()]));
  }
  return garble;
}

}  // namespace vlxsim
