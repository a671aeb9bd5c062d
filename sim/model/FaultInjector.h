#pragma once
// Applies the faults of the moment to the amplifier's conversation: numbers the frames it
// receives, shapes or withholds their replies and hands out the noise bursts when they fall due.
// Everything it makes up comes from the faults' seed, so a run can be repeated byte for byte.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AmplifierConfig.h"

namespace vlxsim {

class FaultInjector {
 public:
  explicit FaultInjector(Faults faults) { Set(std::move(faults)); }

  // The frame count starts again at 0; the count of replies runs on.
  void Set(Faults faults);
  const Faults& Current() const { return faults_; }

  // A frame has been received: its number.
  std::uint32_t CountFrame() { return frameCount_++; }
  bool Has(std::uint32_t frame, FrameFault::Kind kind) const;

  // The reply to frame `frame`, the command `command` (empty for the loader's packets), as it
  // leaves the amplifier; nothing when none leaves. Frame faults apply before command faults.
  std::optional<std::string> Shape(std::uint32_t frame, std::string_view command,
                                   std::optional<std::string> reply);

  // Noise due by `nowMs`, each burst with its own time; and when the next one falls due.
  std::vector<NoiseBurst> TakeDueNoise(std::uint64_t nowMs);
  std::string NoiseBytes(const NoiseBurst& burst) const;
  std::optional<std::uint64_t> NextNoiseMs() const;

 private:
  char Corrupt(char byte, std::uint64_t salt) const;
  // `length` made-up bytes that end no reply, each drawn from the seed and its place.
  std::string Garbage(std::uint64_t salt, std::size_t length) const;
  std::optional<std::string> Apply(const FrameFault& fault, std::optional<std::string> reply) const;

  Faults faults_;
  std::uint32_t frameCount_ = 0;
  std::uint32_t replyCount_ = 0;
  std::vector<std::uint32_t> commandMatches_;  // per command fault, the commands it has seen
  std::vector<bool> noiseSent_;
};

}  // namespace vlxsim
