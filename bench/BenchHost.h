#pragma once
// The program's side of a benchmark without a window: the model on the real bindings (QSerialPort,
// QTimer, the system clock), notifications routed to the running machine as the main window routes
// them, lines and boxes going nowhere, the port set to a simulator's link. It finds the amplifier
// the way Test Communications does before a machine is timed.

#include <QEventLoop>
#include <QTimer>
#include <cstdint>
#include <fstream>
#include <string>

#include "QuietHost.h"
#include "link/EstablishContactMachine.h"
#include "link/MachineRouter.h"
#include "model/AppSettings.h"
#include "model/NoSettingsStore.h"
#include "serial/QtSerialDevice.h"
#include "settings/QtFileSystem.h"
#include "time/QtTimerService.h"
#include "time/SystemClock.h"

namespace vlx::bench {

// Quits `loop` once the amplifier is operating.
class OperatingWatch final : public Listener {
 public:
  OperatingWatch(AppSettings& app, QEventLoop& loop) : app_(app), loop_(loop) {
    app_.deviceState.Subscribe(*this);
  }
  ~OperatingWatch() override { app_.deviceState.Unsubscribe(*this); }
  OperatingWatch(const OperatingWatch&) = delete;
  OperatingWatch& operator=(const OperatingWatch&) = delete;

  void OnMessage(MessageId, MessageParam) override {
    if (app_.deviceState.Get() == device_state::kOperating) {
      loop_.quit();
    }
  }

 private:
  AppSettings& app_;
  QEventLoop& loop_;
};

class BenchHost {
 public:
  explicit BenchHost(const std::string& link)
      : app_(Services{store_, files_, device_, timers_, clock_, status_, prompts_}), router_(app_) {
    app_.port.Set(link);
  }
  ~BenchHost() { app_.ClosePort(); }
  BenchHost(const BenchHost&) = delete;
  BenchHost& operator=(const BenchHost&) = delete;

  AppSettings& App() { return app_; }

  // Runs Test Communications until the amplifier is operating; false when it was not within
  // `patienceMs`.
  bool FindAmplifier(int patienceMs) {
    QEventLoop loop;
    OperatingWatch watch(app_, loop);
    QTimer::singleShot(patienceMs, &loop, &QEventLoop::quit);
    app_.EstablishContact().BeginTestCommunications();
    if (app_.deviceState.Get() != device_state::kOperating) {
      loop.exec();
    }
    return app_.deviceState.Get() == device_state::kOperating;
  }

 private:
  // Declared before the model, which uses them until it is gone.
  NoSettingsStore store_;
  QtFileSystem files_;
  QtSerialDevice device_;
  QtTimerService timers_;
  SystemClock clock_;
  NullStatus status_;
  NullPrompts prompts_;
  AppSettings app_;
  MachineRouter router_;
};

// Wake-up latency, which every exchange pays several times, grows with what else the machine
// runs: each figure is printed with the load average it was measured under.
inline std::string LoadAverage() {
  std::string first;
  std::ifstream("/proc/loadavg") >> first;
  return first.empty() ? "unknown" : first;
}

}  // namespace vlx::bench
