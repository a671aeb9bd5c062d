// vlxctl through QSerialPort against vlx750-sim on a pseudo-terminal: the program as users run it.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "process/ChildProcess.h"
#include "support/CaseNames.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;

// A simulated amplifier on its own pseudo-terminal, reached through a link named for this test.
class SimulatedAmplifier {
 public:
  explicit SimulatedAmplifier(std::vector<std::string> options)
      : link_("/tmp/vlx750-e2e-" + std::to_string(getpid())),
        process_(VLX750_SIM_PATH, WithLink(std::move(options), link_)) {
    ready_ = process_.FirstStdoutLine(5s).has_value();
  }
  ~SimulatedAmplifier() {
    process_.Signal(SIGTERM);
    process_.WaitForExit(5s);
  }

  bool Ready() const { return ready_; }
  const std::string& Link() const { return link_; }
  ChildProcess& Process() { return process_; }

 private:
  static std::vector<std::string> WithLink(std::vector<std::string> options,
                                           const std::string& link) {
    options.insert(options.begin(), {"--link", link});
    return options;
  }

  std::string link_;
  ChildProcess process_;
  bool ready_ = false;
};

std::vector<std::string> Info(const std::string& port, std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments{"--port", port, "--timeout", "20"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  arguments.push_back("info");
  return arguments;
}

class InfoAtEachRate : public ::testing::TestWithParam<int> {};

TEST_P(InfoAtEachRate, FindsTheAmplifierAtItsRate) {
  const std::string rate = std::to_string(GetParam());
  SimulatedAmplifier amplifier({"--rate", rate, "--serial", "4711", "--revision", "205"});
  ASSERT_TRUE(amplifier.Ready());

  ChildProcess vlxctl(VLXCTL_PATH, Info(amplifier.Link()));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stdout().find("Device type:   VLX750 (3)"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Device state:  3 (operating)"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Revision:      02.05"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Serial number: 04711"), std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Line speed:    " + rate + " bit/s"), std::string::npos)
      << vlxctl.Stdout();
  EXPECT_NE(vlxctl.Stderr().find("Attempting to contact VLX on port " + amplifier.Link() + " at " +
                                 rate + " bit/s"),
            std::string::npos);
  EXPECT_EQ(vlxctl.Stderr().find("COM Port Error"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Rates, InfoAtEachRate, ::testing::Values(38400, 19200, 9600, 4800),
                         ByRate{});

TEST(VlxctlInfo, SwitchedOffAmplifierIsFoundWaitingInItsLoader) {
  SimulatedAmplifier amplifier({"--off", "--rate", "9600"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Info(amplifier.Link()));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stdout().find("Device state:  2 (waiting for power button or firmware load)"),
            std::string::npos);
  EXPECT_NE(vlxctl.Stdout().find("Line speed:    38400 bit/s"), std::string::npos);
}

TEST(VlxctlInfo, MissingPortIsReportedWithTheSystemText) {
  const std::string port = "/tmp/vlx750-e2e-missing-" + std::to_string(getpid());
  ChildProcess vlxctl(VLXCTL_PATH, Info(port));
  EXPECT_EQ(vlxctl.WaitForExit(10s), 1);
  EXPECT_NE(vlxctl.Stderr().find("Unable to open serial port \"" + port +
                                 "\". Error 0x00000002: The system cannot find the file "
                                 "specified."),
            std::string::npos)
      << vlxctl.Stderr();
}

TEST(VlxctlInfo, PortHeldByAnotherProgramIsReportedAsInUse) {
  SimulatedAmplifier amplifier({"--silent"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess holder(VLXCTL_PATH, Info(amplifier.Link()));
  ASSERT_TRUE(holder.WaitForStderr("is open", 10s)) << holder.Stderr();

  ChildProcess second(VLXCTL_PATH, Info(amplifier.Link()));
  EXPECT_EQ(second.WaitForExit(10s), 1);
  EXPECT_NE(second.Stderr().find("Serial port \"" + amplifier.Link() +
                                 "\" is being used by another application"),
            std::string::npos)
      << second.Stderr();
}

TEST(VlxctlInfo, AdapterPulledDuringTheSearchAndPutBackIsFoundAgain) {
  SimulatedAmplifier amplifier({"--rate", "4800"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Info(amplifier.Link()));
  ASSERT_TRUE(vlxctl.WaitForStderr("at 19200 bit/s", 10s)) << vlxctl.Stderr();

  amplifier.Process().Signal(SIGUSR1);  // pulled out
  std::this_thread::sleep_for(1500ms);
  EXPECT_FALSE(vlxctl.WaitForExit(0ms).has_value());  // still waiting for the adapter
  amplifier.Process().Signal(SIGUSR2);                // put back

  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stdout().find("Line speed:    4800 bit/s"), std::string::npos);
  EXPECT_EQ(vlxctl.Stderr().find("COM Port Error"), std::string::npos) << vlxctl.Stderr();
}

TEST(VlxctlInfo, SilentPortEndsAtTheTimeoutWithAClearMessage) {
  SimulatedAmplifier amplifier({"--silent"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, {"--port", amplifier.Link(), "--timeout", "1", "info"});
  EXPECT_EQ(vlxctl.WaitForExit(10s), 1);
  EXPECT_NE(
      vlxctl.Stderr().find("no VLX750 answered on port \"" + amplifier.Link() + "\" within 1 s"),
      std::string::npos)
      << vlxctl.Stderr();
}

TEST(VlxctlInfo, BadCommandLineGetsUsage) {
  ChildProcess vlxctl(VLXCTL_PATH, {"--timeout", "soon", "info"});
  EXPECT_EQ(vlxctl.WaitForExit(10s), 2);
  EXPECT_NE(vlxctl.Stderr().find("Usage: vlxctl"), std::string::npos);
}

}  // namespace
}  // namespace vlx::test
