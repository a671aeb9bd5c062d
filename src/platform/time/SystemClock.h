#pragma once
// The real clock: the steady millisecond tick, the local time of day and a plain blocking sleep.

#include "link/Clock.h"

namespace vlx {

class SystemClock : public Clock {
 public:
  std::uint32_t TickCount() const override;
  LocalTime Now() const override;
  // Blocks the calling thread without running its event loop: nothing of the program moves
  // meanwhile, which is what the callers' short settle waits rely on.
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace vlx
