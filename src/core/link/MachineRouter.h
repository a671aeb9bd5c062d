#pragma once
// Hands each timer and serial notification to the running machine (contact search first), else to
// the current page, which is how the Command Tester reads raw replies. A tick from a machine no
// longer running is dropped.

#include <functional>

#include "link/SerialEvents.h"
#include "link/TimerService.h"

namespace vlx {

class AppSettings;
class Machine;

// A page that takes the notifications no machine wants.
class RoutedEvents : public TimerTarget, public SerialEvents {};

class MachineRouter final : public TimerTarget, public SerialEvents {
 public:
  // Becomes the window of every machine timer and the receiver of the port's notifications.
  explicit MachineRouter(AppSettings& app);
  ~MachineRouter() override;
  MachineRouter(const MachineRouter&) = delete;
  MachineRouter& operator=(const MachineRouter&) = delete;

  void SetCurrentPage(RoutedEvents* page) { page_ = page; }
  RoutedEvents* CurrentPage() const { return page_; }

  // Told whenever a notification it routed has brought a machine to the end of its run.
  void SetRunEndHandler(std::function<void(Machine&)> handler) {
    runEndHandler_ = std::move(handler);
  }

  void OnTimer(TimerId id) override;
  void OnSerialEvent() override;

 private:
  Machine* RunningMachine() const;
  void AfterRouting(Machine& machine);

  AppSettings& app_;
  RoutedEvents* page_ = nullptr;
  std::function<void(Machine&)> runEndHandler_;
};

}  // namespace vlx
