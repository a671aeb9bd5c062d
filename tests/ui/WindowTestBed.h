#pragma once
// The main window on the offscreen platform, in virtual time, over the in-process simulated
// amplifier, with an in-memory settings store, scripted message boxes and recorded help calls.

#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UiServices.h"
#include "help/HelpService.h"
#include "link/EstablishContactMachine.h"
#include "model/Amplifier.h"
#include "model/AppSettings.h"
#include "report/StatusRelay.h"
#include "support/FakeFileSystem.h"
#include "support/InMemorySettingsStore.h"
#include "support/RecordingSinks.h"
#include "support/SimulatedLink.h"
#include "support/VirtualTime.h"
#include "window/MainWindow.h"

namespace vlx::test {

class RecordingHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString& topic) override { topics.push_back(topic); }
  std::vector<QString> topics;
};

class WindowTestBed {
 public:
  static constexpr const char* kOsLine = "OS Version 6.1 Build 0 Test Linux";

  explicit WindowTestBed(vlxsim::AmplifierConfig config = {})
      : amplifier(config),
        link(time, amplifier),
        app(Services{store, files, link, time, time, status, prompts}),
        services{app, app.Boxes(), time, help,
                 [] { return std::vector<std::string>{SimulatedLink::kPortName}; }} {
    files.userDataFolder = "/home/user/.local/share";
    files.AddDirectory(files.userDataFolder);
  }

  // Builds the window as the program does at start-up (settings loaded, search started).
  MainWindow& Open() {
    window = std::make_unique<MainWindow>(services, status, kOsLine);
    return *window;
  }

  bool RunContactToEnd() {
    return time.RunUntil([this] { return app.EstablishContact().IsIdle(); }, 60000);
  }

  VirtualTime time;
  vlxsim::Amplifier amplifier;
  SimulatedLink link;
  InMemorySettingsStore store;
  FakeFileSystem files;
  StatusRelay status;
  ScriptedPrompts prompts;
  RecordingHelp help;
  AppSettings app;
  UiServices services;
  std::unique_ptr<MainWindow> window;
};

}  // namespace vlx::test
