#include "Loader.h"

#include <algorithm>
#include <numeric>

namespace vlxsim {

namespace {

constexpr std::size_t kAddressOffset = 64;

std::uint32_t AddressOf(std::string_view packet) {
  const auto byte = [&](std::size_t i) {
    return std::uint32_t{static_cast<unsigned char>(packet[kAddressOffset + i])};
  };
  return byte(0) | byte(1) << 8 | byte(2) << 16;
}

}  // namespace

void Loader::Begin() {
  Clear();
  begun_ = 0;
}

void Loader::Clear() {
  framer_.Clear();
  consumed_ = 0;
  lossLeft_ = 0;
  fillDue_.reset();
}

std::optional<Loader::Frame> Loader::Take(char byte, std::uint64_t nowMicros, bool more,
                                          const PacketFaults& faults) {
  fillDue_.reset();  // a byte came before the quiet was over: the ";" held back was data
  if (consumed_ == 0) {
    ++begun_;
    lossLeft_ =
        faults.LosesBytesOf(begun_) ? std::min<std::size_t>(faults.loseBytes, kPacketSize) : 0;
  }
  ++consumed_;
  if (lossLeft_ > 0) {
    --lossLeft_;
    if (consumed_ == kPacketSize && framer_.Size() == 0) {
      consumed_ = 0;  // the whole packet was lost: the next byte begins another
    }
    return std::nullopt;
  }
  if (faults.corrupt == begun_ && framer_.Size() == 0) {
    byte = static_cast<char>(byte ^ 0x01);
  }
  if (std::optional<std::string> packet = framer_.Take(byte)) {
    consumed_ = 0;
    return Frame{std::move(*packet), begun_, nowMicros};
  }
  if (kind_ == LoaderKind::kAnswersFillBytes && byte == ';' && !more) {
    fillDue_ = nowMicros + kFillPauseMicros;
  }
  return std::nullopt;
}

std::optional<Loader::Frame> Loader::Advance(std::uint64_t nowMicros) {
  if (!fillDue_ || nowMicros < *fillDue_) {
    return std::nullopt;
  }
  const std::uint64_t at = *fillDue_;
  if (consumed_ == 1) {
    --begun_;  // the fill byte began no packet
  }
  Clear();
  return Frame{{}, begun_, at};
}

Loader::Verdict Loader::Judge(const Frame& frame, const PacketFaults& faults) {
  const std::string& packet = frame.bytes;
  if (packet.size() != kPacketSize || frame.packet <= faults.rejectFirst) {
    return Verdict::kRejected;
  }
  const unsigned sum =
      std::accumulate(packet.begin(), packet.end(), 0u,
                      [](unsigned total, char b) { return total + static_cast<unsigned char>(b); });
  if (sum % 256 != 0) {
    return Verdict::kRejected;
  }
  const std::string_view block = std::string_view(packet).substr(0, ImageStore::kBlockSize);
  const std::uint32_t address = AddressOf(packet);
  if (address == kLastPacketAddress) {
    memory_.WriteBlock(ImageStore::kStart, block);
    return Verdict::kLast;
  }
  return memory_.WriteBlock(address, block) ? Verdict::kAccepted : Verdict::kRejected;
}

}  // namespace vlxsim
