#include "InputPacer.h"

#include <algorithm>

#include "model/Line.h"

namespace vlxsim {

void InputPacer::Add(Clock::time_point readAt, std::string_view bytes, std::uint32_t rate) {
  if (!pace_) {
    pending_.push_back({readAt, std::string(bytes), rate});
    return;
  }
  // Measured from the start of the run so that the rounding of one byte's time does not add up.
  const Clock::time_point start = std::max(readAt, lineFreeAt_);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto at = start + std::chrono::microseconds(LineTimeMicros(i + 1, rate));
    pending_.push_back({at, std::string(1, bytes[i]), rate});
  }
  lineFreeAt_ = start + std::chrono::microseconds(LineTimeMicros(bytes.size(), rate));
}

std::deque<InputPacer::Arrival> InputPacer::TakeDue(Clock::time_point now) {
  std::deque<Arrival> due;
  while (!pending_.empty() && pending_.front().at <= now) {
    due.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
  return due;
}

std::optional<InputPacer::Clock::time_point> InputPacer::NextDue() const {
  if (pending_.empty()) {
    return std::nullopt;
  }
  return pending_.front().at;
}

void InputPacer::Clear() {
  pending_.clear();
  lineFreeAt_ = {};
}

}  // namespace vlxsim
