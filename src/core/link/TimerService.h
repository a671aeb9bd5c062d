#pragma once
// Window timers: a timer is named by its target and a numeric id, fires periodically until it
// is killed, and arming it again replaces the pending one.

#include <cstdint>

namespace vlx {

using TimerId = std::uint32_t;

class TimerTarget {
 public:
  virtual ~TimerTarget() = default;
  virtual void OnTimer(TimerId id) = 0;
};

class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual void SetTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds) = 0;
  virtual void KillTimer(TimerTarget& target, TimerId id) = 0;
};

}  // namespace vlx
