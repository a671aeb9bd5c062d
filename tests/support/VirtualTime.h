#pragma once
// Virtual time for core tests: a clock, window timers and a queue of scheduled events, all
// advanced by the test. Events run on one of two lanes: device events (bytes travelling on the
// line) also run while the program sleeps; UI events (timers, serial notifications) wait until
// the program's thread is free again, as window messages do.

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "link/Clock.h"
#include "link/TimerService.h"

namespace vlx::test {

class VirtualTime final : public Clock, public TimerService {
 public:
  enum class Lane { kDevice, kUi };

  std::uint64_t NowMicros() const { return now_; }
  void At(std::uint64_t micros, Lane lane, std::function<void()> action);
  void After(std::uint64_t delayMicros, Lane lane, std::function<void()> action) {
    At(now_ + delayMicros, lane, std::move(action));
  }

  std::uint32_t TickCount() const override { return static_cast<std::uint32_t>(now_ / 1000); }
  LocalTime Now() const override;
  // The zone the local time is given in; UTC until set.
  void SetUtcOffsetMinutes(std::int32_t minutes) { utcOffsetMinutes_ = minutes; }
  void Sleep(std::uint32_t milliseconds) override;

  void SetTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds) override;
  void KillTimer(TimerTarget& target, TimerId id) override;
  bool IsTimerArmed(const TimerTarget& target, TimerId id) const;

  // Runs every event due within the next `milliseconds`, then stands at that time.
  void RunFor(std::uint32_t milliseconds);
  // Runs events until `done` holds (checked after each) or `limitMilliseconds` have passed.
  bool RunUntil(const std::function<bool()>& done, std::uint32_t limitMilliseconds);
  std::uint32_t TotalSleptMs() const { return sleptMs_; }

 private:
  struct Event {
    std::uint64_t at;
    std::uint64_t sequence;
    Lane lane;
    std::function<void()> action;
  };
  using TimerKey = std::pair<const TimerTarget*, TimerId>;

  // Runs the earliest event due by `limit` (on the given lanes only); false when none is.
  bool RunNext(std::uint64_t limit, bool deviceLaneOnly);
  void ArmTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds,
                std::uint64_t generation);

  std::uint64_t now_ = 0;
  std::uint64_t sequence_ = 0;
  std::uint32_t sleptMs_ = 0;
  std::int32_t utcOffsetMinutes_ = 0;
  std::vector<Event> events_;
  std::map<TimerKey, std::uint64_t> timerGenerations_;  // the armed generation; absent = killed
  std::uint64_t nextGeneration_ = 1;
};

}  // namespace vlx::test
