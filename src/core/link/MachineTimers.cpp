#include "link/MachineTimers.h"

namespace vlx {

void MachineTimers::SetTarget(TimerTarget* target) {
  if (target_ != nullptr) {
    for (const auto& [id, owner] : owners_) {
      service_.KillTimer(*target_, id);
    }
  }
  owners_.clear();
  target_ = target;
}

void MachineTimers::Arm(const Machine& machine, TimerId id, std::uint32_t milliseconds) {
  if (target_ == nullptr) {
    return;
  }
  service_.SetTimer(*target_, id, milliseconds);
  owners_[id] = &machine;
}

void MachineTimers::Kill(const Machine& machine, TimerId id) {
  const auto owner = owners_.find(id);
  if (owner == owners_.end() || owner->second != &machine) {
    return;
  }
  owners_.erase(owner);
  service_.KillTimer(*target_, id);
}

const Machine* MachineTimers::Owner(TimerId id) const {
  const auto owner = owners_.find(id);
  return owner == owners_.end() ? nullptr : owner->second;
}

void MachineTimers::KillStale(TimerId id) {
  owners_.erase(id);
  if (target_ != nullptr) {
    service_.KillTimer(*target_, id);
  }
}

}  // namespace vlx
