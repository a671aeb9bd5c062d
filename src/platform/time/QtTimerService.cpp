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
  // Starting a running timer restarts it: arming again replaces the pending period.
  entry->second->start(PeriodOf(milliseconds));
}

void QtTimerService::KillTimer(TimerTarget& target, TimerId id) {
  const auto entry = timers_.find(Key{&target, id});
  if (entry == timers_.end()) {
    return;
  }
  QTimer* timer = entry->second;
  timers_.erase(entry);
  timer->stop();
  // The kill may come from inside this timer's own OnTimer.
  timer->deleteLater();
}

}  // namespace vlx
