#pragma once
// Window timers on QTimer: one precise timer per (target, id), periodic until killed. A killed
// timer is kept, stopped, for the next arming of the same id.

#include <QObject>
#include <QTimer>
#include <map>
#include <utility>

#include "link/TimerService.h"

namespace vlx {

class QtTimerService : public QObject, public TimerService {
  Q_OBJECT

 public:
  explicit QtTimerService(QObject* parent = nullptr);
  ~QtTimerService() override;

  void SetTimer(TimerTarget& target, TimerId id, std::uint32_t milliseconds) override;
  void KillTimer(TimerTarget& target, TimerId id) override;

 private:
  using Key = std::pair<TimerTarget*, TimerId>;
  std::map<Key, QTimer*> timers_;
};

}  // namespace vlx
