// vlxctl send against vlx750-sim: a reply printed as it came, silence told with its own exit
// code, a missing amplifier, and what the command line refuses before any port is opened.

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/e2e/SimulatedAmplifier.h"
#include "support/process/ChildProcess.h"

namespace vlx::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Send(const std::string& port, std::vector<std::string> verbArguments) {
  std::vector<std::string> arguments{"--port", port, "--timeout", "20", "send"};
  arguments.insert(arguments.end(), verbArguments.begin(), verbArguments.end());
  return arguments;
}

TEST(VlxctlSend, PrintsTheReplyToATypedCommand) {
  SimulatedAmplifier amplifier({"--revision", "205"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Send(amplifier.Link(), {"^RVM;"}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "^RVM02.05;\n");
}

// Nothing is added: two commands in one text get two replies, printed together.
TEST(VlxctlSend, SendsTheTextAsItIs) {
  SimulatedAmplifier amplifier({"--serial", "4711", "--revision", "205"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Send(amplifier.Link(), {"^sn;^RVM;", "--wait", "300"}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "^SN4711;^RVM02.05;\n");
}

// Bytes that are not text are passed on as they came (the search's own "^RVM;" is answered
// properly, the next one with garbage).
TEST(VlxctlSend, ABinaryReplyIsPrintedAsItCame) {
  SimulatedAmplifier amplifier({"--command-fault", "garbage:^RVM:1"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Send(amplifier.Link(), {"^RVM;", "--wait", "300"}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 0) << vlxctl.Stderr();
  const std::string out = vlxctl.Stdout();
  ASSERT_GT(out.size(), 1u);
  EXPECT_EQ(out.back(), '\n');
  EXPECT_EQ(out.find('\r'), std::string::npos);
}

// The operating amplifier does not answer "I;": only its loader names itself.
TEST(VlxctlSend, ACommandTheAmplifierLeavesUnansweredExits3) {
  SimulatedAmplifier amplifier({});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Send(amplifier.Link(), {"I;", "--wait", "300"}));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 3) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "");
  EXPECT_NE(vlxctl.Stderr().find("sent nothing back within 300 ms"), std::string::npos)
      << vlxctl.Stderr();
}

TEST(VlxctlSend, NoAmplifierExits1) {
  SimulatedAmplifier amplifier({"--silent"});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, {"--port", amplifier.Link(), "--timeout", "2", "send", "^RVM;"});
  ASSERT_EQ(vlxctl.WaitForExit(30s), 1) << vlxctl.Stderr();
  EXPECT_NE(vlxctl.Stderr().find("no VLX750 answered"), std::string::npos) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "");
}

struct UsageCase {
  const char* label;
  std::vector<std::string> arguments;
};

void PrintTo(const UsageCase& c, std::ostream* out) {
  *out << c.label;
}

class VlxctlSendUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(VlxctlSendUsage, Exits2WithoutOpeningThePort) {
  SimulatedAmplifier amplifier({});
  ASSERT_TRUE(amplifier.Ready());
  ChildProcess vlxctl(VLXCTL_PATH, Send(amplifier.Link(), GetParam().arguments));
  ASSERT_EQ(vlxctl.WaitForExit(30s), 2) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stderr().find("is open"), std::string::npos) << vlxctl.Stderr();
  EXPECT_EQ(vlxctl.Stdout(), "");
}

INSTANTIATE_TEST_SUITE_P(Arguments, VlxctlSendUsage,
                         ::testing::Values(UsageCase{"NoText", {}}, UsageCase{"EmptyText", {""}},
                                           UsageCase{"WaitOfZero", {"^RVM;", "--wait", "0"}},
                                           UsageCase{"WaitNotANumber", {"^RVM;", "--wait", "x"}}),
                         ByLabel{});

}  // namespace
}  // namespace vlx::test
