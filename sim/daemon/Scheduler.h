#pragma once
// Holds the amplifier's transmissions until their time and hands out the bytes due on the line.
// Transmissions leave one after another, as on a real line; with pacing each byte arrives when it
// would have been clocked out at the amplifier's rate, otherwise a transmission arrives whole.

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "model/AmplifierConfig.h"

namespace vlxsim {

class Scheduler {
 public:
  using Clock = std::chrono::steady_clock;
  // What the program's UART makes of a transmission, decided the moment it starts.
  using ToWire = std::function<std::string(const Transmission&)>;

  explicit Scheduler(bool pace) : pace_(pace) {}

  // A transmission the amplifier starts at `start`, or as soon after as the line is free.
  void Add(Clock::time_point start, Transmission transmission);
  // The bytes due by `now`, in order.
  std::string TakeDue(Clock::time_point now, const ToWire& toWire);
  // When the next byte falls due; nothing when no transmission is waiting.
  std::optional<Clock::time_point> NextDue() const;
  // The line is gone: whatever was waiting is lost.
  void Clear();

 private:
  struct Pending {
    Clock::time_point start;
    Transmission transmission;
    std::optional<std::string> wire;  // set once it has started
    std::size_t delivered = 0;
  };

  // When byte `index` of the pending transmission has fully arrived.
  Clock::time_point ByteDue(const Pending& pending, std::size_t index) const;

  bool pace_;
  Clock::time_point lineFreeAt_{};
  std::deque<Pending> pending_;
};

}  // namespace vlxsim
