#pragma once
// What a page or dialog keeps of the transient machine it installed. AppSettings owns the
// machine; the handle reaches it only while it lives, so a machine that a newer installation
// gave up can never be reached through a stale pointer.

#include <memory>
#include <utility>

namespace vlx {

template <typename M>
class MachineHandle {
 public:
  MachineHandle() = default;
  explicit MachineHandle(std::weak_ptr<M> machine) : machine_(std::move(machine)) {}

  // The machine, or nullptr once it is gone.
  M* get() const { return machine_.lock().get(); }
  M* operator->() const { return get(); }
  explicit operator bool() const { return !machine_.expired(); }

  // Gives the machine up and forgets it; nothing happens when it is already gone.
  void Release() {
    if (M* machine = get()) {
      machine->Release();
    }
    machine_.reset();
  }

 private:
  std::weak_ptr<M> machine_;
};

}  // namespace vlx
