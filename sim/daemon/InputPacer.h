#pragma once
// Holds the program's bytes until they would have reached the amplifier. The pseudo-terminal
// hands them over at once; with pacing each arrives its line time after the one before, at the
// program's rate, so a paced firmware load takes its real time. Unpaced, a read arrives whole.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace vlxsim {

class InputPacer {
 public:
  using Clock = std::chrono::steady_clock;

  struct Arrival {
    Clock::time_point at;  // when the last of `bytes` has arrived
    std::string bytes;
    std::uint32_t rate;
  };

  explicit InputPacer(bool pace) : pace_(pace) {}

  void Add(Clock::time_point readAt, std::string_view bytes, std::uint32_t rate);
  // What has arrived by `now`, in order: one byte per arrival when paced.
  std::deque<Arrival> TakeDue(Clock::time_point now);
  std::optional<Clock::time_point> NextDue() const;
  // The line is gone: what was still on it is lost.
  void Clear();

 private:
  bool pace_;
  Clock::time_point lineFreeAt_{};
  std::deque<Arrival> pending_;
};

}  // namespace vlxsim
