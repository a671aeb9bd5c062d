// The machine engine with a small two-state machine of the test's own, against a silent
// simulated amplifier in virtual time, and the reply tests the machines' Accept operations share.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Machine.h"
#include "link/ReplyText.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"
#include "support/ProbeMachine.h"

namespace vlx::test {
namespace {

class MachineEngine : public ::testing::Test {
 protected:
  MachineEngine() : bed(LinkTestBed::SilentAmplifier()) {
    bed.app.machineDone.Subscribe(done);
    bed.OpenPortAsContactLeavesIt();
  }

  ProbeMachine& Install(TimeoutPolicy policy) {
    return *bed.app.InstallTransientMachine(std::make_unique<ProbeMachine>(bed.app, policy)).get();
  }

  bool RunToEnd(ProbeMachine& machine) {
    return bed.time.RunUntil([&] { return machine.IsIdle(); }, 60000);
  }

  std::size_t Sent(const std::string& text) const {
    const auto texts = bed.link.SentTexts();
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
  }

  using Message = std::pair<MessageId, MessageParam>;
  static std::vector<Message> DoneWith(ErrorCode code) { return {{kMsgMachineDone, code}}; }

  LinkTestBed bed;
  RecordingListener done;
};

struct PolicyCase {
  const char* label;
  TimeoutPolicy policy;
  std::size_t probes;  // how often the revision query goes out
  bool followSent;     // whether the run went on to the next state
  ErrorCode error;
};

class TimeoutPolicies : public MachineEngine, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(TimeoutPolicies, DecideHowOftenTheQueryIsSentAndHowTheRunEnds) {
  const PolicyCase& c = GetParam();
  ProbeMachine& machine = Install(c.policy);
  machine.BeginProbe();
  ASSERT_TRUE(RunToEnd(machine));

  EXPECT_EQ(Sent("^RVM;"), c.probes);
  EXPECT_EQ(Sent("^sn;"), c.followSent ? 1u : 0u);
  EXPECT_EQ(machine.Error(), c.error);
  EXPECT_EQ(done.received, DoneWith(c.error));
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
  EXPECT_TRUE(bed.prompts.boxes.empty());  // the engine itself shows nothing
}

INSTANTIATE_TEST_SUITE_P(
    Engine, TimeoutPolicies,
    ::testing::Values(PolicyCase{"MoveOn", TimeoutPolicy::kMoveOn, 1, true, err::kSuccess},
                      PolicyCase{"FailAtOnce", TimeoutPolicy::kFailAtOnce, 1, false, kNoProbeReply},
                      PolicyCase{"Retry", TimeoutPolicy::kRetry, 10, false, kNoProbeReply},
                      PolicyCase{"SpeedSearch", TimeoutPolicy::kSpeedSearch, 80, false,
                                 kNoProbeReply}),
    ByLabel{});

TEST_F(MachineEngine, RetriesGoOutAtTheFullTimeoutEachTime) {
  ProbeMachine& machine = Install(TimeoutPolicy::kRetry);
  machine.BeginProbe();
  ASSERT_TRUE(RunToEnd(machine));
  const auto& sent = bed.link.SentCommands();
  ASSERT_EQ(sent.size(), 10u);
  for (std::size_t i = 1; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].atMicros - sent[i - 1].atMicros, kProbeTimeoutMs * 1000u) << i;
  }
}

TEST_F(MachineEngine, SpeedSearchTriesEachRateFourTimesFromTheCurrentRate) {
  ASSERT_TRUE(bed.app.SetPortSpeed(9600));
  RecordingListener baudRate;
  bed.app.baudRate.Subscribe(baudRate);
  const std::vector<std::string>& traced = bed.status.traceLines;
  ProbeMachine& machine = Install(TimeoutPolicy::kSpeedSearch);
  bed.app.trace.Set(1);
  const std::size_t sentBefore = bed.link.SentCommands().size();

  machine.BeginProbe();
  ASSERT_TRUE(RunToEnd(machine));

  const std::uint32_t cycle[] = {9600, 4800, 38400, 19200};
  std::vector<std::uint32_t> expected;
  for (std::size_t rate = 0; rate < 20; ++rate) {
    expected.insert(expected.end(), 4, cycle[rate % 4]);
  }
  std::vector<std::uint32_t> rates;
  const auto& sent = bed.link.SentCommands();
  for (std::size_t i = sentBefore; i < sent.size(); ++i) {
    rates.push_back(sent[i].rate);
    // The timeout does not grow while the search goes round.
    if (i > sentBefore && sent[i].rate == sent[i - 1].rate) {
      EXPECT_EQ(sent[i].atMicros - sent[i - 1].atMicros, kProbeTimeoutMs * 1000u) << i;
    }
  }
  EXPECT_EQ(rates, expected);
  EXPECT_EQ(machine.Error(), kNoProbeReply);
  EXPECT_EQ(done.received, DoneWith(kNoProbeReply));
  EXPECT_EQ(baudRate.received.size(), 19u);  // one per rate change
  EXPECT_EQ(bed.app.Serial().Speed(), 19200u);
  EXPECT_THAT(traced, ::testing::Contains("ProbeState::ChangeSpeed 4800"));
  EXPECT_THAT(traced, ::testing::Contains("ProbeState::ChangeSpeed 38400"));
}

TEST_F(MachineEngine, CancelOnAnIdleMachineStoresNothing) {
  ProbeMachine& machine = Install(TimeoutPolicy::kFailAtOnce);
  EXPECT_FALSE(machine.Cancel());
  EXPECT_EQ(machine.Error(), err::kSuccess);

  machine.BeginProbe();
  ASSERT_TRUE(RunToEnd(machine));
  EXPECT_FALSE(machine.Cancel());
  EXPECT_EQ(machine.Error(), kNoProbeReply);  // the failure's code stays
  EXPECT_EQ(done.received, DoneWith(kNoProbeReply));
}

TEST_F(MachineEngine, CancelKeepsAnErrorTheRunHasAlreadyStored) {
  ProbeMachine& machine = Install(TimeoutPolicy::kRetry);
  machine.BeginProbe();
  machine.SetError(err::kGenFailure);
  EXPECT_TRUE(machine.Cancel());
  EXPECT_EQ(machine.Error(), err::kGenFailure);
  ASSERT_TRUE(RunToEnd(machine));
  EXPECT_EQ(done.received, DoneWith(err::kGenFailure));
}

// How the state that is waiting when Cancel comes ends its wait.
enum class WaitEnds { kTimeout, kAcceptedReply };

class CancelWhileWaiting : public MachineEngine, public ::testing::WithParamInterface<WaitEnds> {};

TEST_P(CancelWhileWaiting, TakesEffectAtTheNextSend) {
  ProbeMachine& machine = Install(TimeoutPolicy::kRetry);
  machine.BeginProbe();
  bed.time.RunFor(kProbeTimeoutMs / 2);
  EXPECT_TRUE(machine.Cancel());
  EXPECT_EQ(machine.Error(), err::kCancelled);
  EXPECT_FALSE(machine.IsIdle());  // a waiting state is not interrupted
  EXPECT_TRUE(done.received.empty());

  if (GetParam() == WaitEnds::kAcceptedReply) {
    bed.link.Deliver("^RVM01.23;");
  }
  ASSERT_TRUE(RunToEnd(machine));
  EXPECT_EQ(Sent("^RVM;"), 1u);  // no retry after the timeout
  EXPECT_EQ(Sent("^sn;"), 0u);   // and no next command after the reply
  EXPECT_EQ(done.received, DoneWith(err::kCancelled));
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
}

INSTANTIATE_TEST_SUITE_P(Engine, CancelWhileWaiting,
                         ::testing::Values(WaitEnds::kTimeout, WaitEnds::kAcceptedReply),
                         [](const auto& info) -> std::string {
                           return info.param == WaitEnds::kTimeout ? "Timeout" : "AcceptedReply";
                         });

// However a run is stopped, the state it stopped in acts on its way out once; a run that ends
// along its states' normal path does not call that action.
enum class RunEnd { kFailed, kCancelled, kAborted, kNormal };

struct EarlyEndCase {
  const char* label;
  RunEnd end;
  std::size_t probeActions;   // the first state's early-end action
  std::size_t followActions;  // the second state's
};

class EarlyEnds : public MachineEngine, public ::testing::WithParamInterface<EarlyEndCase> {};

TEST_P(EarlyEnds, CallTheStoppedStatesActionOnce) {
  const EarlyEndCase& c = GetParam();
  ProbeMachine& machine =
      Install(c.end == RunEnd::kNormal ? TimeoutPolicy::kMoveOn : TimeoutPolicy::kFailAtOnce);
  machine.BeginProbe();
  if (c.end == RunEnd::kCancelled) {
    EXPECT_TRUE(machine.Cancel());
    bed.link.Deliver("^RVM01.23;");  // the run stops at the second state's send
  } else if (c.end == RunEnd::kAborted) {
    machine.Abort(err::kGenFailure);
  }
  ASSERT_TRUE(RunToEnd(machine));

  EXPECT_EQ(machine.ProbeEndedEarly(), c.probeActions);
  EXPECT_EQ(machine.FollowEndedEarly(), c.followActions);
  EXPECT_EQ(done.received.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Engine, EarlyEnds,
                         ::testing::Values(EarlyEndCase{"QueryFails", RunEnd::kFailed, 1, 0},
                                           EarlyEndCase{"CancelledAtTheNextSend",
                                                        RunEnd::kCancelled, 0, 1},
                                           EarlyEndCase{"Aborted", RunEnd::kAborted, 1, 0},
                                           EarlyEndCase{"NormalEnd", RunEnd::kNormal, 0, 0}),
                         ByLabel{});

TEST_F(MachineEngine, TimerOfAnotherMachineIsIgnored) {
  ProbeMachine& machine = Install(TimeoutPolicy::kRetry);
  machine.BeginProbe();
  bed.time.RunFor(kProbeTimeoutMs / 2);

  bed.router.OnTimer(kEstablishContactTimerId);
  EXPECT_EQ(Sent("^RVM;"), 1u);
  EXPECT_TRUE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
  EXPECT_EQ(machine.Current().RetryCount(), 0u);

  bed.time.RunFor(kProbeTimeoutMs / 2);  // its own timer still comes on time
  EXPECT_EQ(Sent("^RVM;"), 2u);
  EXPECT_EQ(machine.Current().RetryCount(), 1u);
}

// A page may still hold a machine that a newer installation pushed out of the slot: it stays
// alive until that page releases it, and an idle one is simply replaced.
TEST_F(MachineEngine, MachinePushedOutOfTheSlotWhileRunningLivesUntilReleased) {
  ProbeMachine& first = Install(TimeoutPolicy::kRetry);
  first.BeginProbe();
  ProbeMachine& second = Install(TimeoutPolicy::kRetry);
  EXPECT_EQ(bed.app.TransientMachine(), &second);
  EXPECT_TRUE(first.Cancel());  // still there for its page to stop and release
  first.Release();
  EXPECT_EQ(bed.app.TransientMachine(), &second);
  second.Release();
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
}

TEST(ReplyContains, ComparesByteForByteAnywhereInTheReply) {
  EXPECT_TRUE(ReplyContains("VLX750;", "VLX750"));
  EXPECT_TRUE(ReplyContains("RQ7 VLX750;", "VLX750"));
  EXPECT_FALSE(ReplyContains("vlx750;", "VLX750"));
  EXPECT_FALSE(ReplyContains("VLX75;", "VLX750"));
  EXPECT_FALSE(ReplyContains("", ""));  // an empty reply contains nothing
  EXPECT_FALSE(ReplyContains("", "I"));
}

struct NumberCase {
  const char* label;
  std::string reply;
  std::optional<std::uint16_t> value;
};

class ParseNumberReplies : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseNumberReplies, AcceptOnlyValuesThatFitSixteenBits) {
  EXPECT_EQ(ParseNumberReply(GetParam().reply, "^SN"), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ParseNumberReplies,
    ::testing::Values(
        NumberCase{"Plain", "^SN42;", 42}, NumberCase{"SpaceBeforeDigits", "^SN 42;", 42},
        NumberCase{"PlusSign", "^SN+42;", 42}, NumberCase{"Largest", "^SN65535;", 65535},
        NumberCase{"OneTooLarge", "^SN65536;", std::nullopt},
        NumberCase{"TooLarge", "^SN70000;", std::nullopt},
        // Taken as signed, -1 is at most 65535: its low 16 bits are kept.
        NumberCase{"MinusOne", "^SN-1;", 0xFFFF},
        // A run of digits far beyond any integer must not wrap round to a small value.
        NumberCase{"BeyondAnyInteger", "^SN99999999999999999999999;", std::nullopt},
        NumberCase{"BeyondThirtyTwoBits", "^SN4294967338;", std::nullopt},  // 2^32 + 42
        NumberCase{"LowerCasePrefix", "^sn42;", std::nullopt},
        NumberCase{"NoCaret", "SN42;", std::nullopt}, NumberCase{"CutShort", "^S", std::nullopt},
        NumberCase{"Empty", "", std::nullopt}),
    ByLabel{});

struct RevisionCase {
  const char* label;
  std::string reply;
  std::optional<std::uint16_t> value;
};

class ParseRevisionReplies : public ::testing::TestWithParam<RevisionCase> {};

TEST_P(ParseRevisionReplies, NeedTwoDigitsAPointAndTwoDigits) {
  EXPECT_EQ(ParseRevisionReply(GetParam().reply), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ParseRevisionReplies,
    ::testing::Values(RevisionCase{"Plain", "^RVM01.23;", 123},
                      RevisionCase{"TwoDigitMajor", "^RVM12.34;", 1234},
                      RevisionCase{"TextAfterTerminator", "^RVM01.23;xyz", 123},
                      RevisionCase{"OneDigitBeforePoint", "^RVM1.23;", std::nullopt},
                      RevisionCase{"OneDigitAfterPoint", "^RVM01.2;", std::nullopt},
                      RevisionCase{"CommaForPoint", "^RVM01,23;", std::nullopt},
                      RevisionCase{"NoTerminator", "^RVM01.23", std::nullopt},
                      RevisionCase{"LetterForDigit", "^RVMa1.23;", std::nullopt},
                      RevisionCase{"LowerCasePrefix", "^rvm01.23;", std::nullopt},
                      RevisionCase{"OtherPrefix", "^SN01.23;", std::nullopt},
                      RevisionCase{"Empty", "", std::nullopt}),
    ByLabel{});

TEST(PrintableReply, EscapesEveryByteOutsidePrintableAsciiInUpperCaseHex) {
  EXPECT_EQ(PrintableReply("^SN 42;"), "^SN 42;");
  EXPECT_EQ(PrintableReply("\r\n;"), "\\x0D\\x0A;");
  EXPECT_EQ(PrintableReply(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(PrintableReply("\x1F \x7E\x7F"), "\\x1F ~\\x7F");
  EXPECT_EQ(PrintableReply("\xAB\xFF"), "\\xAB\\xFF");
}

}  // namespace
}  // namespace vlx::test
