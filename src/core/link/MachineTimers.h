#pragma once
// Which machine armed each window timer id. Two machines of one kind share an id, so this is how a
// machine kills only its own timer, a destroyed machine's timer dies with it, and a tick finds its
// machine.

#include <cstdint>
#include <map>

#include "link/TimerService.h"

namespace vlx {

class Machine;

class MachineTimers {
 public:
  explicit MachineTimers(TimerService& service) : service_(service) {}
  MachineTimers(const MachineTimers&) = delete;
  MachineTimers& operator=(const MachineTimers&) = delete;

  // The window the timers are armed on; none (while no window exists) arms nothing.
  void SetTarget(TimerTarget* target);
  TimerTarget* Target() const { return target_; }

  void Arm(const Machine& machine, TimerId id, std::uint32_t milliseconds);
  // Kills `id` if `machine` armed it.
  void Kill(const Machine& machine, TimerId id);
  // The machine whose timer `id` is armed, or nullptr.
  const Machine* Owner(TimerId id) const;
  // Kills a timer whose machine no longer listens for it.
  void KillStale(TimerId id);

 private:
  TimerService& service_;
  TimerTarget* target_ = nullptr;
  std::map<TimerId, const Machine*> owners_;
};

}  // namespace vlx
