#pragma once
// `vlxctl info`: opens the port, lets the establish-contact machine find the amplifier and
// prints what the program then knows about it. When the adapter is pulled out meanwhile, the
// port watch waits for it to come back and tests the port again.

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "link/MachineRouter.h"
#include "link/PortWatch.h"
#include "model/AppSettings.h"
#include "serial/QtSerialDevice.h"
#include "settings/QtFileSystem.h"
#include "time/QtTimerService.h"
#include "time/SystemClock.h"

namespace vlx::cli {

class InfoCommand final : public QObject {
 public:
  InfoCommand(const CliOptions& options, SettingsStore& store);
  ~InfoCommand() override;

  // Starts the search; the event loop ends with the exit code once there is an answer.
  void Start();

 private:
  void OnPortLost();
  void BeginContact();
  void OnContactEnded();
  void OnTimedOut();
  void Finish(int exitCode);
  void PrintDevice() const;

  CliOptions options_;
  ConsoleStatusSink status_;
  ConsolePrompts prompts_;
  QtSerialDevice device_;
  QtTimerService timers_;
  SystemClock clock_;
  QtFileSystem files_;
  AppSettings app_;
  MachineRouter router_;
  PortWatch portWatch_;
  QTimer deadline_;
  bool finished_ = false;
};

}  // namespace vlx::cli
