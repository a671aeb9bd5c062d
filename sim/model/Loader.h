#pragma once
// The bootstrap loader's side of a download: gathers 68-byte packets (losing or changing some as
// the faults say), judges each and writes the good ones into the image. The amplifier words its
// verdicts on the line and resets after the last packet.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "AmplifierConfig.h"
#include "ImageStore.h"
#include "Receiver.h"

namespace vlxsim {

class Loader {
 public:
  // Every packet of a download has this size: 64 image bytes, three address bytes, a checksum.
  static constexpr std::size_t kPacketSize = 68;
  // The loader that answers fill bytes takes a ";" followed by this much quiet for one. The
  // bytes of a packet follow each other closely, so a ";" among them is never mistaken.
  static constexpr std::uint64_t kFillPauseMicros = 2000;
  // Address bytes 00 08 02: the last packet, carrying the block at the image's start.
  static constexpr std::uint32_t kLastPacketAddress = 0x020800;

  enum class Verdict {
    kAccepted,  // "A": the block is written
    kRejected,  // "N"
    kLast,      // "B": the block at the image's start is written, then the amplifier resets
  };

  // Something the loader answers: a whole packet, or a fill byte the loader answers on its own.
  struct Frame {
    std::string bytes;       // the packet; empty for a fill byte
    std::uint32_t packet;    // its number; for a fill byte the number of the last packet begun
    std::uint64_t atMicros;  // when it was complete
  };

  Loader(LoaderKind kind, ImageStore& memory) : kind_(kind), memory_(memory) {}

  void SetKind(LoaderKind kind) { kind_ = kind; }

  // "D" started a download: packets are counted from 1 again.
  void Begin();
  // One byte of the download arrived at nowMicros; `more` when another follows it at once.
  std::optional<Frame> Take(char byte, std::uint64_t nowMicros, bool more,
                            const PacketFaults& faults);
  // The fill byte that the quiet since has shown for one, once that quiet is over by nowMicros.
  std::optional<Frame> Advance(std::uint64_t nowMicros);
  std::optional<std::uint64_t> NextWakeMicros() const { return fillDue_; }
  // Garbled bytes or a change of mode: the partial packet is lost.
  void Clear();

  // What the loader makes of a frame; a good packet is written into the memory.
  Verdict Judge(const Frame& frame, const PacketFaults& faults);

 private:
  LoaderKind kind_;
  ImageStore& memory_;
  PacketFramer framer_{kPacketSize};
  std::uint32_t begun_ = 0;               // packets begun since "D"
  std::size_t consumed_ = 0;              // bytes of the packet being gathered, lost ones included
  std::size_t lossLeft_ = 0;              // bytes of it still to lose
  std::optional<std::uint64_t> fillDue_;  // when a ";" just taken turns out to be a fill byte
};

}  // namespace vlxsim
