#include "operate/TelemetryHistory.h"

namespace vlx {

// Reserved, not filled: the memory is the system's until samples are written into it, so a run
// that never polls, or polls for a few minutes, keeps no hour of empty entries.
TelemetryHistory::TelemetryHistory() {
  ring_.reserve(kCapacity);
}

void TelemetryHistory::Append(const TelemetrySample& sample) {
  const Entry* previous = Latest();
  const bool joined =
      !broken_ && previous != nullptr && previous->sample.HasReadings() && sample.HasReadings();
  if (size_ < kCapacity) {
    // Until the ring is first full the oldest entry is the first one: entries are added at the end.
    ring_.push_back(Entry{sample, joined});
    ++size_;
  } else {
    ring_[oldest_] = Entry{sample, joined};
    oldest_ = (oldest_ + 1) % kCapacity;
  }
  broken_ = false;
}

void TelemetryHistory::Clear() {
  ring_.clear();
  oldest_ = 0;
  size_ = 0;
  broken_ = true;
}

std::size_t TelemetryHistory::FirstWithin(std::uint32_t referenceTick, std::uint32_t spanMs) const {
  const auto age = [&](std::size_t index) {
    const std::uint32_t difference = referenceTick - At(index).sample.tick;
    // A difference past half the range is a tick after the reference, not a very old one.
    return difference > 0x80000000u ? 0u : difference;
  };
  // Ages fall from the oldest entry to the newest: the first one within the span is found by
  // halving.
  std::size_t low = 0;
  std::size_t high = size_;
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (age(middle) > spanMs) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

}  // namespace vlx
