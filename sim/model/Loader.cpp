#include "Loader.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <numeric>

namespace vlxsim {

namespace {

constexpr std::size_t kAddressOffset = 64;
constexpr unsigned char kLastPacketAddress[] = {0x00, 0x08, 0x02};

}  // namespace

Loader::Verdict ChecksumLoader::OnPacket(std::string_view packet, ImageStore&) {
  const unsigned sum =
      std::accumulate(packet.begin(), packet.end(), 0u,
                      [](unsigned total, char b) { return total + static_cast<unsigned char>(b); });
  if (packet.size() != kPacketSize || sum % 256 != 0) {
    return Verdict::kRejected;
  }
  const std::string_view address = packet.substr(kAddressOffset, sizeof kLastPacketAddress);
  const bool last = std::equal(
      address.begin(), address.end(), std::begin(kLastPacketAddress),
      [](char b, unsigned char expected) { return static_cast<unsigned char>(b) == expected; });
  return last ? Verdict::kLast : Verdict::kAccepted;
}

}  // namespace vlxsim
