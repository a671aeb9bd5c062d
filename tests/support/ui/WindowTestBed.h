#pragma once
// The main window on the offscreen platform, in virtual time, over the in-process simulated
// amplifier, with an in-memory settings store, scripted message boxes, recorded help calls and
// telemetry logs kept in memory.

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "UiServices.h"
#include "help/HelpService.h"
#include "report/StatusRelay.h"
#include "support/LinkWiring.h"
#include "support/MemoryTelemetryFiles.h"
#include "window/MainWindow.h"

namespace vlx::test {

class RecordingHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString& topic) override { topics.push_back(topic); }
  std::vector<QString> topics;
};

// Status lines go through the relay the window connects to its status bar, as in the program.
class WindowTestBed : public LinkWiring<StatusRelay> {
 public:
  static constexpr const char* kOsLine = "OS Version 6.1 Build 0 Test Linux";

  explicit WindowTestBed(vlxsim::AmplifierConfig config = {})
      : LinkWiring(config), services{app, app.Boxes(), time, help, [] {
                                       return std::vector<std::string>{SimulatedLink::kPortName};
                                     }} {
    files.userDataFolder = "/home/user/.local/share";
    files.AddDirectory(files.userDataFolder);
    services.telemetryFiles = &telemetryFiles;
  }

  // Builds the window as the program does at start-up (settings loaded, search started).
  MainWindow& Open() {
    window = std::make_unique<MainWindow>(services, status, kOsLine);
    return *window;
  }

  RecordingHelp help;
  MemoryOpener telemetryFiles;
  UiServices services;
  std::unique_ptr<MainWindow> window;
};

}  // namespace vlx::test
