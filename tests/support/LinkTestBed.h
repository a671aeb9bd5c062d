#pragma once
// Everything a machine needs, in virtual time, wired to the in-process simulated amplifier:
// the model, its port on the simulated line, a router standing in for the main window, and
// recording status and message-box sinks.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "link/MachineRouter.h"
#include "support/LinkWiring.h"

namespace vlx::test {

class LinkTestBed : public LinkWiring<RecordingStatusSink> {
 public:
  explicit LinkTestBed(vlxsim::AmplifierConfig config = {}) : LinkWiring(config), router(app) {
    app.port.Set(SimulatedLink::kPortName);
  }

  // Runs until the program has just sent `command` (or the limit passes).
  bool RunUntilSent(const std::string& command, std::uint32_t limitMs = 2000) {
    return time.RunUntil(
        [&] { return !link.SentCommands().empty() && link.SentCommands().back().bytes == command; },
        limitMs);
  }

  // An amplifier that acts on commands but answers none.
  static vlxsim::AmplifierConfig SilentAmplifier() {
    vlxsim::AmplifierConfig config;
    config.faults.silent = true;
    return config;
  }
  // From now on the amplifier answers nothing.
  void SilenceAmplifier() { amplifier.SetFaults(SilentAmplifier().faults); }

  // The port as the establish-contact machine leaves it once it is open, at 38400 bit/s.
  void OpenPortAsContactLeavesIt() {
    EXPECT_TRUE(app.Serial().Open(SimulatedLink::kPortName));
    app.portOpen.Set(1);
  }

  MachineRouter router;
};

// Records every message a listener receives, in order.
class RecordingListener final : public Listener {
 public:
  void OnMessage(MessageId id, MessageParam wParam) override { received.push_back({id, wParam}); }
  std::vector<std::pair<MessageId, MessageParam>> received;
};

}  // namespace vlx::test
