// The operate polling machine against the simulated amplifier, in virtual time: the bytes of a
// cycle, the requests it carries, the probe and the power toggle.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/MachineRouter.h"
#include "operate/OperateMachine.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

// A bed with the port open at 38400 as the contact search leaves it, the amplifier last seen in
// `deviceState`, and an operate machine installed.
class OperateBed : public LinkTestBed {
 public:
  explicit OperateBed(vlxsim::AmplifierConfig config = {},
                      std::uint32_t deviceState = device_state::kOperating)
      : LinkTestBed(config) {
    OpenPortAsContactLeavesIt();
    app.SetDeviceState(deviceState);
    machine = app.InstallTransientMachine(std::make_unique<OperateMachine>(app)).get();
    app.machineDone.Subscribe(done);
  }

  bool RunToEnd(std::uint32_t limitMs = 30000) {
    return time.RunUntil([this] { return machine->IsIdle(); }, limitMs);
  }
  // Milliseconds between send `i` and the one before it.
  std::uint64_t GapMs(std::size_t i) const {
    const auto& sent = link.SentCommands();
    return (sent[i].atMicros - sent[i - 1].atMicros) / 1000;
  }

  OperateMachine* machine = nullptr;
  RecordingListener done;
};

const std::vector<std::string> kPlainCycle = {"^bn;@38400", "^fl;@38400", "^os;@38400",
                                              "^ws;@38400", "^tm;@38400", "^vi;@38400"};

TEST(OperateCycle, OperatingAmplifierIsReadWithSixQueriesEachAfterThePreviousReply) {
  vlxsim::AmplifierConfig config;
  config.band = 7;
  config.fault = 3;
  OperateBed bed(config);
  ASSERT_TRUE(bed.machine->Poll());
  ASSERT_TRUE(bed.RunToEnd());

  EXPECT_EQ(Conversation(bed.link), kPlainCycle);
  for (std::size_t i = 1; i < kPlainCycle.size(); ++i) {
    EXPECT_LT(bed.GapMs(i), 50u) << "send " << i << " waited for its time-out";
  }
  EXPECT_EQ(bed.app.band.Get(), 7u);
  EXPECT_NE(bed.app.currentFault.Get(), 0u);
  EXPECT_EQ(bed.app.operateMode.Get(), 0u);
  EXPECT_NE(bed.app.paVoltage.Get(), 0u);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  ASSERT_EQ(bed.done.received.size(), 1u);
  EXPECT_EQ(bed.done.received[0].second, err::kSuccess);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kOperateTimerId));
}

// Each reply is scripted, so the values stored are known to the digit.
struct ReplyCase {
  const char* label;
  const char* query;
  const char* reply;
  std::function<std::uint32_t(const AppSettings&)> stored;
  std::uint32_t expected;
};

class ScriptedReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ScriptedReply, IsStoredAsItsQuantity) {
  const ReplyCase& c = GetParam();
  OperateBed bed;
  vlxsim::Faults faults;
  faults.commands.push_back({c.query, Kind::kReplace, 0, 0, 0, c.reply});
  bed.link.SetFaults(faults);
  bed.machine->Poll();
  ASSERT_TRUE(bed.RunToEnd());
  EXPECT_EQ(bed.machine->Error(), err::kSuccess);
  EXPECT_EQ(c.stored(bed.app), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ScriptedReply,
    ::testing::Values(
        ReplyCase{"Power", "^ws;", "^WS100 25;", [](auto& a) { return a.power.Get(); }, 100},
        ReplyCase{"Swr", "^ws;", "^WS100 25;", [](auto& a) { return a.swr.Get(); }, 25},
        ReplyCase{"PaVoltage", "^vi;", "^VI724 12;", [](auto& a) { return a.paVoltage.Get(); },
                  724},
        ReplyCase{"PaCurrent", "^vi;", "^VI724 12;", [](auto& a) { return a.paCurrent.Get(); }, 12},
        ReplyCase{"FieldsAfterBlanks", "^vi;", "^VI  +7   9;",
                  [](auto& a) { return a.paCurrent.Get(); }, 9},
        ReplyCase{"Band", "^bn;", "^BN 10;", [](auto& a) { return a.band.Get(); }, 10},
        ReplyCase{"Fault", "^fl;", "^FL255;", [](auto& a) { return a.currentFault.Get(); }, 255},
        ReplyCase{"Operate", "^os;", "^OS1;", [](auto& a) { return a.operateMode.Get(); }, 1},
        ReplyCase{"Temperature", "^tm;", "^TM65535;", [](auto& a) { return a.temperature.Get(); },
                  65535}),
    ByLabel());

TEST(OperateCycle, BandRequestGoesOnceInFrontOfTheQueryWithAShortWait) {
  vlxsim::AmplifierConfig config;
  config.bandSwitchMs = 300;  // busy: nothing answers the first query within its 50 ms
  OperateBed bed(config);
  bed.machine->SelectBand(7);
  bed.machine->Poll();
  ASSERT_TRUE(bed.RunToEnd());

  const auto sent = Conversation(bed.link);
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(sent[0], "^bn07;^bn;@38400");
  EXPECT_EQ(sent[1], "^bn;@38400");
  EXPECT_EQ(bed.GapMs(1), 50u);
  EXPECT_EQ(bed.app.band.Get(), 7u);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "^bn07;^bn;@38400"), 1);
  EXPECT_EQ(bed.machine->Error(), err::kSuccess);
}

struct RequestCase {
  const char* label;
  std::function<void(OperateMachine&)> request;
  std::uint32_t operateMode;  // OperateMode before the cycle
  std::size_t index;          // the send that carries the request
  const char* carried;
};

class HeldRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(HeldRequest, RidesOnTheNextCycleOnly) {
  const RequestCase& c = GetParam();
  vlxsim::AmplifierConfig config;
  config.operate = c.operateMode == 1;
  OperateBed bed(config);
  bed.app.operateMode.Set(c.operateMode);
  c.request(*bed.machine);
  bed.machine->Poll();
  ASSERT_TRUE(bed.RunToEnd());
  bed.machine->Poll();
  ASSERT_TRUE(bed.RunToEnd());

  std::vector<std::string> expected = Concat({kPlainCycle, kPlainCycle});
  expected[c.index] = c.carried;
  EXPECT_EQ(Conversation(bed.link), expected);
  EXPECT_EQ(bed.machine->Error(), err::kSuccess);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, HeldRequest,
    ::testing::Values(RequestCase{"Band", [](OperateMachine& m) { m.SelectBand(5); }, 0, 0,
                                  "^bn05;^bn;@38400"},
                      RequestCase{"ClearFault", [](OperateMachine& m) { m.ClearFault(); }, 0, 1,
                                  "^flc;^fl;@38400"},
                      RequestCase{"ToStandby", [](OperateMachine& m) { m.ToggleOperateStandby(); },
                                  1, 2, "^os0;^os;@38400"},
                      RequestCase{"ToOperate", [](OperateMachine& m) { m.ToggleOperateStandby(); },
                                  0, 2, "^os1;^os;@38400"}),
    ByLabel());

TEST(OperateCycle, PollAndTogglePowerWhileACycleRunsChangeNothing) {
  OperateBed bed;
  ASSERT_TRUE(bed.machine->Poll());
  ASSERT_TRUE(bed.RunUntilSent("^fl;"));
  EXPECT_FALSE(bed.machine->Poll());
  EXPECT_FALSE(bed.machine->TogglePower());
  ASSERT_TRUE(bed.RunToEnd());
  bed.time.RunFor(3000);

  EXPECT_EQ(Conversation(bed.link), kPlainCycle);
  EXPECT_EQ(bed.done.received.size(), 1u);
}

TEST(OperateCycle, LostAmplifierIsProbedFromTheTopRateAndReadAtTheRateFound) {
  vlxsim::AmplifierConfig config;
  config.operatingRate = 9600;
  OperateBed bed(config, device_state::kNotResponding);
  bed.machine->Poll();
  ASSERT_TRUE(bed.RunToEnd());

  EXPECT_EQ(Conversation(bed.link),
            Concat({Repeat(";@38400", 4),
                    Repeat(";@19200", 4),
                    {";@9600", "^RVM;@9600", "^sn;@9600", "^bn;@9600", "^fl;@9600", "^os;@9600",
                     "^ws;@9600", "^tm;@9600", "^vi;@9600"}}));
  EXPECT_EQ(bed.machine->Error(), err::kSuccess);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.app.revision.Get(), 123);
  EXPECT_EQ(bed.app.serialNumber.Get(), 1234);
}

TEST(OperateCycle, NoAnswerAtAnyRateEndsAfterSixteenProbes) {
  OperateBed bed(LinkTestBed::SilentAmplifier(), device_state::kNotResponding);
  bed.machine->Poll();
  ASSERT_TRUE(bed.RunToEnd());

  EXPECT_EQ(Conversation(bed.link), Concat({Repeat(";@38400", 4), Repeat(";@19200", 4),
                                            Repeat(";@9600", 4), Repeat(";@4800", 4)}));
  EXPECT_EQ(bed.machine->Error(), err::kNoResponseToSemicolonPoll);
  ASSERT_EQ(bed.done.received.size(), 1u);
  EXPECT_EQ(bed.done.received[0].second, err::kNoResponseToSemicolonPoll);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
}

TEST(OperatePower, SwitchingOffWaitsThenFindsTheLoaderAtItsRate) {
  OperateBed bed;
  ASSERT_TRUE(bed.machine->TogglePower());
  ASSERT_TRUE(bed.RunToEnd());

  EXPECT_EQ(Conversation(bed.link), (std::vector<std::string>{"^on0;@38400", "I;@38400"}));
  EXPECT_EQ(bed.GapMs(1), 2000u);
  EXPECT_EQ(bed.machine->Error(), err::kSuccess);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kWaitingInLoader);
  EXPECT_EQ(bed.app.Serial().Speed(), 38400u);
}

TEST(OperatePower, SwitchingOnWaitsThenProbesAndReadsTheAmplifier) {
  vlxsim::AmplifierConfig config;
  config.mode = vlxsim::PowerMode::kOff;
  OperateBed bed(config, device_state::kWaitingInLoader);
  ASSERT_TRUE(bed.machine->TogglePower());
  ASSERT_TRUE(bed.RunToEnd());

  const auto sent = Conversation(bed.link);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0], "P;@38400");
  EXPECT_EQ(sent[1], ";@38400");
  EXPECT_EQ(bed.GapMs(1), 2000u);
  EXPECT_EQ(sent.back(), "^vi;@38400");
  EXPECT_EQ(bed.machine->Error(), err::kSuccess);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
}

}  // namespace
}  // namespace vlx::test
