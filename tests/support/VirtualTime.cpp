#include "support/VirtualTime.h"

#include <algorithm>

namespace vlx::test {

void VirtualTime::At(std::uint64_t micros, Lane lane, std::function<void()> action) {
  events_.push_back(Event{std::max(micros, now_), sequence_++, lane, std::move(action)});
}

LocalTime VirtualTime::Now() const {
  const std::uint64_t seconds = now_ / 1000000;
  return LocalTime{2026,
                   12,
                   10,
                   static_cast<std::uint32_t>(12 + seconds / 3600 % 12),
                   static_cast<std::uint32_t>(seconds / 60 % 60),
                   static_cast<std::uint32_t>(seconds % 60),
                   static_cast<std::uint32_t>(now_ / 1000 % 1000),
                   utcOffsetMinutes_};
}

bool VirtualTime::RunNext(std::uint64_t limit, bool deviceLaneOnly) {
  auto earliest = events_.end();
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (it->at > limit || (deviceLaneOnly && it->lane != Lane::kDevice)) {
      continue;
    }
    if (earliest == events_.end() || it->at < earliest->at ||
        (it->at == earliest->at && it->sequence < earliest->sequence)) {
      earliest = it;
    }
  }
  if (earliest == events_.end()) {
    return false;
  }
  Event event = std::move(*earliest);
  events_.erase(earliest);
  now_ = std::max(now_, event.at);
  event.action();
  return true;
}

void VirtualTime::Sleep(std::uint32_t milliseconds) {
  const std::uint64_t until = now_ + std::uint64_t{milliseconds} * 1000;
  while (RunNext(until, /*deviceLaneOnly=*/true)) {
  }
  now_ = until;
  sleptMs_ += milliseconds;
}

void VirtualTime::SetTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds) {
  const std::uint64_t generation = nextGeneration_++;
  timerGenerations_[{&target, id}] = generation;
  ArmTimer(target, id, milliseconds, generation);
}

void VirtualTime::ArmTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds,
                           std::uint64_t generation) {
  After(std::uint64_t{milliseconds} * 1000, Lane::kUi,
        [this, &target, id, milliseconds, generation] {
          const auto armed = timerGenerations_.find({&target, id});
          if (armed == timerGenerations_.end() || armed->second != generation) {
            return;  // killed or re-armed since
          }
          // Periodic until killed, like a window timer.
          ArmTimer(target, id, milliseconds, generation);
          target.OnTimer(id);
        });
}

void VirtualTime::KillTimer(TimerTarget& target, TimerId id) {
  timerGenerations_.erase({&target, id});
}

bool VirtualTime::IsTimerArmed(const TimerTarget& target, TimerId id) const {
  return timerGenerations_.count({&target, id}) != 0;
}

void VirtualTime::RunFor(std::uint32_t milliseconds) {
  const std::uint64_t until = now_ + std::uint64_t{milliseconds} * 1000;
  while (RunNext(until, /*deviceLaneOnly=*/false)) {
  }
  now_ = std::max(now_, until);
}

bool VirtualTime::RunUntil(const std::function<bool()>& done, std::uint32_t limitMilliseconds) {
  const std::uint64_t until = now_ + std::uint64_t{limitMilliseconds} * 1000;
  while (!done()) {
    if (!RunNext(until, /*deviceLaneOnly=*/false)) {
      now_ = std::max(now_, until);
      return done();
    }
  }
  return true;
}

}  // namespace vlx::test
