#include "Scheduler.h"

#include <algorithm>
#include <utility>

#include "model/Line.h"

namespace vlxsim {

void Scheduler::Add(Clock::time_point start, Transmission transmission) {
  start = std::max(start, lineFreeAt_);
  lineFreeAt_ = start;
  if (pace_) {
    lineFreeAt_ +=
        std::chrono::microseconds(LineTimeMicros(transmission.bytes.size(), transmission.rate));
  }
  pending_.push_back({start, std::move(transmission), std::nullopt, 0});
}

Scheduler::Clock::time_point Scheduler::ByteDue(const Pending& pending, std::size_t index) const {
  if (!pace_ || !pending.wire || pending.wire->empty()) {
    return pending.start;
  }
  // Garbled bytes are spread over the time the amplifier took to send the real ones.
  const std::uint64_t total =
      LineTimeMicros(pending.transmission.bytes.size(), pending.transmission.rate);
  return pending.start + std::chrono::microseconds(total * (index + 1) / pending.wire->size());
}

std::string Scheduler::TakeDue(Clock::time_point now, const ToWire& toWire) {
  std::string due;
  while (!pending_.empty() && pending_.front().start <= now) {
    Pending& front = pending_.front();
    if (!front.wire) {
      front.wire = toWire(front.transmission);
    }
    while (front.delivered < front.wire->size() && ByteDue(front, front.delivered) <= now) {
      due.push_back((*front.wire)[front.delivered++]);
    }
    if (front.delivered < front.wire->size()) {
      break;
    }
    pending_.pop_front();
  }
  return due;
}

std::optional<Scheduler::Clock::time_point> Scheduler::NextDue() const {
  if (pending_.empty()) {
    return std::nullopt;
  }
  const Pending& front = pending_.front();
  return front.wire ? ByteDue(front, front.delivered) : front.start;
}

void Scheduler::Clear() {
  pending_.clear();
  lineFreeAt_ = {};
}

}  // namespace vlxsim
