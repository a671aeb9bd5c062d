#pragma once
// The wiring every test bed over the in-process simulated amplifier shares: virtual time, the
// amplifier and its simulated line, an in-memory settings store and file system, scripted
// message boxes and the application model built on them. The bed chooses where status lines go.

#include <cstdint>

#include "link/EstablishContactMachine.h"
#include "model/Amplifier.h"
#include "model/AppSettings.h"
#include "support/FakeFileSystem.h"
#include "support/InMemorySettingsStore.h"
#include "support/RecordingSinks.h"
#include "support/SimulatedLink.h"
#include "support/VirtualTime.h"

namespace vlx::test {

template <typename Status>
class LinkWiring {
 public:
  explicit LinkWiring(vlxsim::AmplifierConfig config)
      : amplifier(config),
        link(time, amplifier),
        app(Services{store, files, link, time, time, status, prompts}) {}

  EstablishContactMachine& contact() { return app.EstablishContact(); }

  // Runs the establish-contact machine until it is idle again (or the limit passes).
  bool RunContactToEnd(std::uint32_t limitMs = 60000) {
    return time.RunUntil([this] { return contact().IsIdle(); }, limitMs);
  }

  VirtualTime time;
  vlxsim::Amplifier amplifier;
  SimulatedLink link;
  InMemorySettingsStore store;
  FakeFileSystem files;
  Status status;
  ScriptedPrompts prompts;
  AppSettings app;
};

}  // namespace vlx::test
