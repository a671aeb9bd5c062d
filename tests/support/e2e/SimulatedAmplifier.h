#pragma once
// A simulated amplifier (vlx750-sim) on its own pseudo-terminal, reached through a link named
// for the test process, for the end-to-end tests.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/process/ChildProcess.h"

namespace vlx::test {

// A simulated amplifier on its own pseudo-terminal, reached through a link named for this test.
class SimulatedAmplifier {
 public:
  explicit SimulatedAmplifier(std::vector<std::string> options)
      : link_("/tmp/vlx750-e2e-" + std::to_string(getpid())),
        process_(VLX750_SIM_PATH, WithLink(std::move(options), link_)) {
    const auto terminal = process_.FirstStdoutLine(std::chrono::seconds(5));
    ready_ = terminal.has_value();
    terminal_ = terminal.value_or("");
  }
  // A simulator that fails on its way out (a sanitizer's report, a dump it could not write)
  // fails the test.
  ~SimulatedAmplifier() {
    process_.Signal(SIGTERM);
    const std::optional<int> exitCode = process_.WaitForExit(std::chrono::seconds(5));
    EXPECT_TRUE(!ready_ || exitCode == 0) << "vlx750-sim: " << process_.Stderr();
  }

  bool Ready() const { return ready_; }
  const std::string& Link() const { return link_; }
  // The pseudo-terminal the link leads to.
  const std::string& Terminal() const { return terminal_; }
  ChildProcess& Process() { return process_; }

 private:
  static std::vector<std::string> WithLink(std::vector<std::string> options,
                                           const std::string& link) {
    options.insert(options.begin(), {"--link", link});
    return options;
  }

  std::string link_;
  ChildProcess process_;
  std::string terminal_;
  bool ready_ = false;
};

}  // namespace vlx::test
