// Making contact against vlx750-sim when a reply goes missing: a contact that fails after the
// amplifier answered is tried again while the search may go on; and a verb that ends when its
// port goes away does not announce a wait for it.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/FinishedRun.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;

struct RetryCase {
  const char* label;
  std::vector<std::string> simulatorOptions;
  std::vector<std::string> options;  // before the verb
  int exitCode;
  std::string told;  // on stderr; "PORT" stands for the port
};

class VlxctlContactRetry : public ::testing::TestWithParam<RetryCase> {};

TEST_P(VlxctlContactRetry, TriesAgainWhileTheSearchMayGoOn) {
  const RetryCase& c = GetParam();
  SimulatedAmplifier amplifier(c.simulatorOptions);
  ASSERT_TRUE(amplifier.Ready());
  std::vector<std::string> arguments{"--port", amplifier.Link()};
  arguments.insert(arguments.end(), c.options.begin(), c.options.end());
  arguments.push_back("info");
  const Finished run = RunProgram(VLXCTL_PATH, arguments, 30s);

  EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
  std::string told = c.told;
  if (const auto at = told.find("PORT"); at != std::string::npos) {
    told.replace(at, 4, amplifier.Link());
  }
  EXPECT_NE(run.err.find(told), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("Serial number: 01234") != std::string::npos, c.exitCode == 0) << run.out;
}

constexpr const char* kTriedAgain =
    "vlxctl: No response to serial number query (^SN); trying again";

INSTANTIATE_TEST_SUITE_P(
    Cases, VlxctlContactRetry,
    ::testing::Values(RetryCase{"OneLostReplyWithinTheTimeout",
                                {"--command-fault", "silence:^sn:0:1"},
                                {"--timeout", "20"},
                                0,
                                kTriedAgain},
                      RetryCase{"OneLostReplyWithoutATimeout",
                                {"--command-fault", "silence:^sn:0:1"},
                                {},
                                0,
                                kTriedAgain},
                      RetryCase{"NoReplyUntilTheTimeout",
                                {"--command-fault", "silence:^sn"},
                                {"--timeout", "3"},
                                1,
                                "vlxctl: no VLX750 answered on port \"PORT\" within 3 s"}),
    ByLabel());

// A verb past its search ends when the port goes away: it says nothing of waiting for it.
TEST(VlxctlPortLoss, AVerbThatEndsOnTheLossAnnouncesNoWait) {
  SimulatedAmplifier amplifier({"--command-fault", "silence:^ER"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, {"--port", amplifier.Link(), "faults"});
  ASSERT_TRUE(vlxctl.WaitForStderr("Attempting to contact", 10s)) << vlxctl.Stderr();
  std::this_thread::sleep_for(1s);      // the first block is being asked for
  amplifier.Process().Signal(SIGUSR1);  // pulled out

  EXPECT_EQ(vlxctl.WaitForExit(20s), 1) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stderr().find("is no longer available"), std::string::npos) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stderr().find("to come back"), std::string::npos) << vlxctl.Stderr();
}

}  // namespace
}  // namespace vlx::test
