#pragma once
// The last hour of operate poll runs, as the plot draws them: a ring of samples reserved once,
// oldest overwritten first, that remembers where the line must break (a run that read nothing,
// polling stopped and started again).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "operate/TelemetrySample.h"

namespace vlx {

class TelemetryHistory {
 public:
  // Sixty minutes at the shortest poll period, 100 ms.
  static constexpr std::size_t kCapacity = 36000;

  struct Entry {
    TelemetrySample sample;
    // The line runs from the previous entry to this one: both read the quantities and polling
    // did not stop between them.
    bool joined = false;
  };

  TelemetryHistory();

  void Append(const TelemetrySample& sample);
  // Polling stopped: the next sample starts a new line.
  void BreakLine() { broken_ = true; }
  void Clear();

  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  // Index 0 is the oldest entry kept.
  const Entry& At(std::size_t index) const { return ring_[(oldest_ + index) % kCapacity]; }
  // Index 0 is the newest entry.
  const Entry& FromNewest(std::size_t index) const { return At(size_ - 1 - index); }
  // The newest entry; nullptr while the history is empty.
  const Entry* Latest() const { return size_ == 0 ? nullptr : &FromNewest(0); }
  // The index of the oldest entry at most `spanMs` older than `referenceTick`; Size() when none
  // is. Ticks wrap: ages are taken as 32-bit differences, which holds for any span shorter than
  // 24 days, and an entry newer than the reference counts as age 0.
  std::size_t FirstWithin(std::uint32_t referenceTick, std::uint32_t spanMs) const;

 private:
  std::vector<Entry> ring_;
  std::size_t oldest_ = 0;
  std::size_t size_ = 0;
  bool broken_ = true;
};

}  // namespace vlx
