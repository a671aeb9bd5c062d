#pragma once
// Time as the program sees it: a millisecond tick count, the local wall-clock time and a
// blocking wait. Real on the desktop, virtual in tests.

#include <cstdint>

namespace vlx {

struct LocalTime {
  std::uint32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::uint32_t millisecond = 0;
  // Local time minus UTC, in minutes (east of Greenwich is positive).
  std::int32_t utcOffsetMinutes = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps like a 32-bit tick count.
  virtual std::uint32_t TickCount() const = 0;
  virtual LocalTime Now() const = 0;
  // Blocks the calling (user-interface) thread; nothing else of the program runs meanwhile.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace vlx
