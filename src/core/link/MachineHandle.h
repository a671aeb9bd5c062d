#pragma once
// What a holder keeps of the transient machine it installed; AppSettings owns the machine.
// The handle reaches it only while it lives, so no stale pointer is followed, and tells the holder
// each run's end once, after the dispatch that ended it and never after release.

#include <functional>
#include <memory>
#include <utility>

#include "report/ErrorCode.h"

namespace vlx {

// How a machine tells the end of a run to the one handle that holds it; the machine keeps it
// only weakly, so a released handle hears nothing more.
using RunEndNotice = std::function<void(ErrorCode code)>;

template <typename M>
class MachineHandle {
 public:
  // The run's code and the machine as the run left it (in its final state).
  using RunEnded = std::function<void(ErrorCode code, M& machine)>;

  MachineHandle() = default;
  MachineHandle(const std::shared_ptr<M>& machine, RunEnded runEnded) : machine_(machine) {
    if (runEnded && machine) {
      notice_ = std::make_shared<const RunEndNotice>(
          [ended = machine_, runEnded = std::move(runEnded)](ErrorCode code) {
            if (const std::shared_ptr<M> endedMachine = ended.lock()) {
              runEnded(code, *endedMachine);
            }
          });
      machine->SetRunEndNotice(notice_);
    }
  }
  // One holder per machine: a copy would share the ending and outlive a Release.
  MachineHandle(const MachineHandle&) = delete;
  MachineHandle& operator=(const MachineHandle&) = delete;
  MachineHandle(MachineHandle&&) noexcept = default;
  MachineHandle& operator=(MachineHandle&&) noexcept = default;
  ~MachineHandle() = default;

  // The machine, or nullptr once it is gone.
  M* get() const { return machine_.lock().get(); }
  M* operator->() const { return get(); }
  explicit operator bool() const { return !machine_.expired(); }

  // Gives the machine up and forgets it, with any end still on its way; nothing happens when it
  // is already gone.
  void Release() {
    notice_.reset();
    if (M* machine = get()) {
      machine->Release();
    }
    machine_.reset();
  }

 private:
  std::weak_ptr<M> machine_;
  std::shared_ptr<const RunEndNotice> notice_;
};

}  // namespace vlx
