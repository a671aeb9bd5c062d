#pragma once
// The application object: the real bindings of the core's seams, the model and the main window,
// built and torn down in their fixed order.

#include <memory>

#include "QtPrompts.h"
#include "UiServices.h"
#include "files/PosixFtpLocalFiles.h"
#include "help/QtHelpService.h"
#include "report/StatusRelay.h"
#include "serial/QtSerialDevice.h"
#include "settings/JsonSettingsStore.h"
#include "settings/QtFileSystem.h"
#include "time/QtTimerService.h"
#include "time/SystemClock.h"
#include "window/MainWindow.h"

namespace vlx {

class AppSettings;

class Application {
 public:
  Application();
  ~Application();

  // Builds and shows the main window, which starts looking for the amplifier.
  MainWindow& Start();
  // Starts, then runs until the main window is closed; returns the exit code.
  int Run();

  AppSettings& Model() { return *app_; }

 private:
  JsonSettingsStore store_;
  QtFileSystem files_;
  QtSerialDevice serialDevice_;
  QtTimerService timers_;
  SystemClock clock_;
  StatusRelay status_;
  QtPrompts prompts_;
  QtHelpService help_;
  PosixFtpLocalFiles ftpLocalFiles_;
  // Held by pointer so that the headers that include this one need not include the model.
  std::unique_ptr<AppSettings> app_;
  UiServices services_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace vlx
