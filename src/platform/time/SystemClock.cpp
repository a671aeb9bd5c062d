#include "time/SystemClock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace vlx {

std::uint32_t SystemClock::TickCount() const {
  const auto elapsed = std::chrono::steady_clock::now().time_since_epoch();
  // Wraps after 49.7 days like any 32-bit tick count; callers compare differences.
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

LocalTime SystemClock::Now() const {
  // One reading of the wall clock gives both the second and its milliseconds, so a log row never
  // pairs one second with the next second's fraction.
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
  const std::time_t now = static_cast<std::time_t>(milliseconds / 1000);
  std::tm local{};
  ::localtime_r(&now, &local);
  LocalTime time;
  time.year = static_cast<std::uint32_t>(local.tm_year + 1900);
  time.month = static_cast<std::uint32_t>(local.tm_mon + 1);
  time.day = static_cast<std::uint32_t>(local.tm_mday);
  time.hour = static_cast<std::uint32_t>(local.tm_hour);
  time.minute = static_cast<std::uint32_t>(local.tm_min);
  time.second = static_cast<std::uint32_t>(local.tm_sec);
  time.millisecond = static_cast<std::uint32_t>(milliseconds % 1000);
  time.utcOffsetMinutes = static_cast<std::int32_t>(local.tm_gmtoff / 60);
  return time;
}

void SystemClock::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vlx
