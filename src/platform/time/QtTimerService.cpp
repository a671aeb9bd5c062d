#include "time/QtTimerService.h"

#include <algorithm>
#include <limits>

namespace vlx {
namespace {

// Shorter periods are raised to this, as window timers always were; a zero period would spin.
constexpr std::uint32_t kMinimumPeriodMs = 10;

int PeriodOf(std::uint32_t milliseconds) {
  constexpr auto kMaximum = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
  return static_cast<int>(std::clamp(milliseconds, kMinimumPeriodMs, kMaximum));
}

}  // namespace

QtTimerService::QtTimerService(QObject* parent) : QObject(parent) {}

QtTimerService::~QtTimerService() {
  for (const auto& [key, timer] : timers_) {
    timer->stop();
  }
}

void QtTimerService::SetTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds) {
  auto [entry, created] = timers_.try_emplace(Key{&target, id}, nullptr);
  if (created) {
    // Parented to the service, so the timer goes with it.
    entry->second = new QTimer(this);
    entry->second->setTimerType(Qt::PreciseTimer);
    connect(entry->second, &QTimer::timeout, this, [&target, id] { target.OnTimer(id); });
  }
  // Starting a running timer restarts it: arming again replaces the pending period, and arming a
  // killed one starts it anew.
  entry->second->start(PeriodOf(milliseconds));
}

// The timer is stopped, not deleted: a firmware load arms and kills the same id some 2,000 times,
// and stopping is also what makes a kill from inside the timer's own OnTimer harmless.
void QtTimerService::KillTimer(TimerTarget& target, TimerId id) {
  if (const auto entry = timers_.find(Key{&target, id}); entry != timers_.end()) {
    entry->second->stop();
  }
}

}  // namespace vlx
