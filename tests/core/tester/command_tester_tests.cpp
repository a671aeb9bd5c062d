// The command tester against the simulated amplifier, in virtual time: what it writes (exactly
// the text, and nothing without an amplifier), how a failed write is told, and what it shows of
// the bytes that come back.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "report/ErrorCode.h"
#include "report/LinkTextIds.h"
#include "report/StringTable.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"
#include "tester/CommandTester.h"

namespace vlx::test {
namespace {

using SendResult = CommandTester::SendResult;

// A failing case is named by its label, not by a dump of its bytes.
template <class Case>
requires requires(const Case& c) {
  c.label;
}
void PrintTo(const Case& c, std::ostream* out) {
  *out << c.label;
}

vlxsim::AmplifierConfig Revision123() {
  vlxsim::AmplifierConfig config;
  config.revision = 123;
  return config;
}

class CommandTesterTest : public ::testing::Test {
 protected:
  CommandTesterTest() : bed(Revision123()), tester(bed.app) {
    tester.SetReceivedSink([this](std::string_view bytes) { received.emplace_back(bytes); });
    bed.router.SetCurrentPage(&tester);
  }

  // The port open and the amplifier in `state`, as the contact search leaves them.
  void WithDeviceState(std::uint32_t state) {
    bed.OpenPortAsContactLeavesIt();
    bed.app.SetDeviceState(state);
  }
  void FindAmplifier() {
    bed.contact().BeginTestCommunications();
    ASSERT_TRUE(bed.RunContactToEnd());
    ASSERT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  }
  std::string AllReceived() const {
    std::string all;
    for (const std::string& piece : received) {
      all += piece;
    }
    return all;
  }

  LinkTestBed bed;
  CommandTester tester;
  std::vector<std::string> received;
};

struct SendCase {
  const char* label;
  std::uint32_t deviceState;
  std::string text;
  SendResult result;
};

class SendRule : public CommandTesterTest, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendRule, WritesTheTextUnchangedOrNothing) {
  const SendCase& c = GetParam();
  WithDeviceState(c.deviceState);
  EXPECT_EQ(tester.Send(c.text), c.result);
  const std::vector<std::string> written = c.result == SendResult::kWritten
                                               ? std::vector<std::string>{c.text}
                                               : std::vector<std::string>{};
  EXPECT_EQ(bed.link.SentTexts(), written);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SendRule,
    ::testing::Values(
        SendCase{"NoTerminatorIsAdded", device_state::kOperating, "^RVM", SendResult::kWritten},
        SendCase{"EveryByteGoesOutAsGiven", device_state::kOperating,
                 std::string("^bn05;^bn;\r\xE9\0", 13), SendResult::kWritten},
        SendCase{"AnAmplifierInItsLoaderIsTalkedTo", device_state::kWaitingInLoader, "I;",
                 SendResult::kWritten},
        SendCase{"EmptyTextSendsNothing", device_state::kOperating, "", SendResult::kIgnored},
        SendCase{"NoAmplifierSendsNothing", device_state::kNotResponding, "^RVM;",
                 SendResult::kIgnored}),
    ByLabel{});

TEST_F(CommandTesterTest, AFailedWriteIsToldOnceByThePortAndTheNextGoesOut) {
  WithDeviceState(device_state::kOperating);
  bed.link.FailNextCall(err::kWriteFault);
  EXPECT_EQ(tester.Send("^RVM;"), SendResult::kFailed);
  EXPECT_EQ(tester.WriteError(), err::kWriteFault);
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, LoadString(ids::kComPortErrorCaption));

  EXPECT_EQ(tester.Send("^RVM;"), SendResult::kWritten);
  EXPECT_EQ(bed.link.SentTexts(), std::vector<std::string>{"^RVM;"});
  EXPECT_EQ(bed.prompts.boxes.size(), 1u);
}

TEST_F(CommandTesterTest, TheReplyArrivesWithoutAMachineWaitingForIt) {
  FindAmplifier();
  EXPECT_EQ(tester.Send("^RVM;"), SendResult::kWritten);
  bed.time.RunFor(100);
  EXPECT_EQ(AllReceived(), "^RVM01.23;");
}

// What came in while no one listened is not purged by the next send.
TEST_F(CommandTesterTest, BytesAlreadyWaitingStayAheadOfTheReply) {
  FindAmplifier();
  bed.router.SetCurrentPage(nullptr);
  bed.link.Deliver("^FL3;");
  bed.time.RunFor(1);
  bed.router.SetCurrentPage(&tester);
  tester.Send("^RVM;");
  bed.time.RunFor(100);
  EXPECT_EQ(AllReceived(), "^FL3;^RVM01.23;");
}

TEST_F(CommandTesterTest, AMachinesRepliesNeverReachTheTester) {
  FindAmplifier();
  received.clear();
  FindAmplifier();
  EXPECT_GE(bed.link.SentTexts().size(), 8u);
  EXPECT_TRUE(received.empty()) << AllReceived();
}

struct ReceiveCase {
  const char* label;
  std::string bytes;
  std::vector<std::string> shown;  // one entry per delivery
};

class Receive : public CommandTesterTest, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(Receive, ShowsOneNotificationsBytesAtOnceWithoutCarriageReturns) {
  const ReceiveCase& c = GetParam();
  WithDeviceState(device_state::kOperating);
  bed.link.Deliver(c.bytes);
  bed.time.RunFor(1);
  EXPECT_EQ(received, c.shown);
}

const std::string kHundredBytes = [] {
  std::string burst;
  for (int i = 0; i < 100; ++i) {
    burst.push_back(static_cast<char>('0' + i % 10));
  }
  return burst;
}();

INSTANTIATE_TEST_SUITE_P(
    Bursts, Receive,
    ::testing::Values(
        ReceiveCase{"CarriageReturnsAreLeftOut", "^RVM\r01.23;\r\n", {"^RVM01.23;\n"}},
        // More than one read takes: the tail must not wait for the amplifier's next words.
        ReceiveCase{"ALongBurstShowsWhole", kHundredBytes, {kHundredBytes}},
        ReceiveCase{"OnlyCarriageReturnsShowNothing", "\r\r", {}},
        ReceiveCase{
            "EightBitBytesPassThrough", std::string("\xE9\0;", 3), {std::string("\xE9\0;", 3)}}),
    ByLabel{});

}  // namespace
}  // namespace vlx::test
