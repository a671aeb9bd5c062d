#pragma once

#include <cstddef>
#include <string_view>

#include "ImageStore.h"

namespace vlxsim {

// What the bootstrap loader makes of the packets of a download, once the amplifier has framed
// them. The amplifier turns the verdict into the loader's answer on the line and resets after the
// last packet.
class Loader {
 public:
  // Every packet of a download has this size: 64 image bytes, three address bytes, a checksum.
  static constexpr std::size_t kPacketSize = 68;

  enum class Verdict {
    kAccepted,  // "A"
    kRejected,  // "N"
    kLast,      // "B", then the amplifier resets into the firmware in `images`
  };

  virtual ~Loader() = default;
  // "D" started a download.
  virtual void Begin(ImageStore& images) = 0;
  virtual Verdict OnPacket(std::string_view packet, ImageStore& images) = 0;
};

// A loader that checks only the line: a packet is accepted when its bytes sum to zero, and the
// one addressed 0x020800 (address bytes 00 08 02) is the last. It keeps the firmware it has.
class ChecksumLoader final : public Loader {
 public:
  void Begin(ImageStore&) override {}
  Verdict OnPacket(std::string_view packet, ImageStore& images) override;
};

}  // namespace vlxsim
