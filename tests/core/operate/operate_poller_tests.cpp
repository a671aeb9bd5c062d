// The operate poller in virtual time: its ticks, the presses it turns into requests, the
// telemetry it publishes, and how it keeps polling through a lost amplifier and the contact
// search.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "faults/FaultRecord.h"
#include "link/EstablishContactMachine.h"
#include "link/PortWatch.h"
#include "operate/OperateMachine.h"
#include "operate/OperatePoller.h"
#include "operate/TelemetrySample.h"
#include "support/CaseNames.h"
#include "support/Conversation.h"
#include "support/LinkTestBed.h"

namespace vlx::test {
namespace {

using Kind = vlxsim::FrameFault::Kind;

class RecordingTelemetry final : public TelemetrySink {
 public:
  void OnSample(const TelemetrySample& sample) override { samples.push_back(sample); }
  void OnPollingStopped() override { ++stops; }

  std::vector<TelemetrySample> samples;
  int stops = 0;
};

// Stops the poller from inside the first sample it gets, as vlxctl monitor does at its end.
class StoppingTelemetry final : public TelemetrySink {
 public:
  explicit StoppingTelemetry(OperatePoller& poller) : poller_(poller) {}
  void OnSample(const TelemetrySample&) override {
    ++samples;
    poller_.Stop();
  }
  void OnPollingStopped() override {}

  int samples = 0;

 private:
  OperatePoller& poller_;
};

// The amplifier found by the contact search, then the Operate page shown.
class PollerBed : public LinkTestBed {
 public:
  explicit PollerBed(vlxsim::AmplifierConfig config = {}) : LinkTestBed(config) {
    app.operatePollInterval.Set(1000);
  }

  void FindAmplifier() {
    contact().BeginTestCommunications();
    ASSERT_TRUE(RunContactToEnd());
    ASSERT_EQ(app.deviceState.Get(), device_state::kOperating);
  }
  std::size_t CountSent(const std::string& command) const {
    const auto sent = link.SentTexts();
    return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), command));
  }
  // The sends since the one numbered `from`.
  std::vector<std::string> SentSince(std::size_t from) const {
    const auto sent = link.SentTexts();
    return {sent.begin() + static_cast<std::ptrdiff_t>(std::min(from, sent.size())), sent.end()};
  }

  RecordingTelemetry telemetry;
  OperatePoller poller{app, &telemetry};
};

const std::vector<std::string> kCycle = {"^bn;", "^fl;", "^os;", "^ws;", "^tm;", "^vi;"};

TEST(OperatePoller, PollsAtOnceAndAtEachTickWithTheIntervalReadAtEachArming) {
  PollerBed bed;
  bed.FindAmplifier();
  bed.poller.Start();
  bed.time.RunFor(2500);  // cycles at 0, 1000, 2000
  EXPECT_EQ(bed.CountSent("^vi;"), 3u);
  bed.app.operatePollInterval.Set(200);
  bed.time.RunFor(1000);  // the tick at 3000 re-arms with 200: 3000, 3200, 3400
  EXPECT_EQ(bed.CountSent("^vi;"), 6u);

  ASSERT_EQ(bed.telemetry.samples.size(), 6u);
  const TelemetrySample& last = bed.telemetry.samples.back();
  EXPECT_TRUE(last.HasReadings());
  EXPECT_EQ(last.readings.band, bed.app.band.Get());
  EXPECT_EQ(last.readings.paVoltage, bed.app.paVoltage.Get());
  EXPECT_EQ(last.readings.swr, bed.app.swr.Get());
  EXPECT_EQ(last.deviceState, device_state::kOperating);
  EXPECT_GT(last.tick, bed.telemetry.samples.front().tick);
  // Wall-clock time and tick are taken at the same moment: when the run ended.
  EXPECT_EQ(last.time.millisecond, last.tick % 1000);
}

TEST(OperatePoller, ATickDuringARunningCycleLeavesItAlone) {
  PollerBed bed;
  bed.FindAmplifier();
  vlxsim::Faults slow;
  slow.replyDelayMs = 30;  // a cycle takes longer than the interval
  bed.link.SetFaults(slow);
  bed.app.operatePollInterval.Set(100);
  const std::size_t start = bed.link.SentCommands().size();
  bed.poller.Start();
  bed.time.RunFor(1000);
  bed.poller.Stop();

  const auto sent = bed.SentSince(start);
  ASSERT_GE(sent.size(), 2 * kCycle.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i], kCycle[i % kCycle.size()]) << i;
  }
  for (const TelemetrySample& sample : bed.telemetry.samples) {
    EXPECT_TRUE(sample.HasReadings());
  }
}

TEST(OperatePoller, StopSilencesTheLineAndReleasesTheMachine) {
  PollerBed bed;
  bed.FindAmplifier();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunUntilSent("^os;"));
  bed.poller.Stop();
  const std::size_t sent = bed.link.SentCommands().size();
  bed.time.RunFor(5000);

  EXPECT_EQ(bed.link.SentCommands().size(), sent);
  EXPECT_FALSE(bed.poller.HasMachine());
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.poller, kOperatePollTimerId));
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kOperateTimerId));
  EXPECT_EQ(bed.telemetry.stops, 1);
  EXPECT_TRUE(bed.telemetry.samples.empty());
}

// A press while a cycle runs goes out when the state that carries it is next entered.
TEST(OperatePoller, PressesRideOnTheRunningCycleOrTheNext) {
  PollerBed bed;
  bed.FindAmplifier();
  const std::size_t start = bed.link.SentCommands().size();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunUntilSent("^bn;"));
  EXPECT_TRUE(bed.poller.RequestClearFault());  // before the fault state: this cycle
  ASSERT_TRUE(bed.RunUntilSent("^os;"));
  EXPECT_TRUE(bed.poller.RequestBand(7));  // the band state has passed: the next cycle
  bed.time.RunFor(1500);

  std::vector<std::string> expected = Concat({kCycle, kCycle});
  expected[1] = "^flc;^fl;";
  expected[6] = "^bn07;^bn;";
  EXPECT_EQ(bed.SentSince(start), expected);
  EXPECT_EQ(bed.app.band.Get(), 7u);
}

// An amplifier holding a fault stays in standby when asked to operate; the reason is told after
// that cycle and after each one while it lasts, until Clear.
TEST(OperatePoller, OperateRefusedForAHeldFaultIsToldUntilTheFaultIsCleared) {
  PollerBed bed;
  bed.FindAmplifier();
  std::vector<std::uint8_t> told;
  bed.poller.SetStandbyReasonHandler([&](std::uint8_t fault) { told.push_back(fault); });
  ASSERT_TRUE(bed.amplifier.Trip(0x9, 0));
  bed.poller.Start();
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.telemetry.samples.size() == 1; }, 2000));
  const std::uint8_t held = bed.app.currentFault.Get();
  ASSERT_TRUE(HoldsFault(held));
  EXPECT_TRUE(told.empty()) << "standby that nobody asked to leave needs no reason";

  EXPECT_TRUE(bed.poller.RequestOperateToggle());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.telemetry.samples.size() == 2; }, 2000));
  EXPECT_EQ(bed.CountSent("^os1;^os;"), 1u);
  EXPECT_EQ(bed.app.operateMode.Get(), 0u);
  EXPECT_EQ(told, std::vector<std::uint8_t>{held});
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.telemetry.samples.size() == 3; }, 2000));
  EXPECT_EQ(told.size(), 2u) << "still in standby with the fault: still told";

  EXPECT_TRUE(bed.poller.RequestClearFault());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.telemetry.samples.size() == 4; }, 2000));
  EXPECT_EQ(bed.app.currentFault.Get(), 0u);
  EXPECT_TRUE(bed.poller.RequestOperateToggle());
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.telemetry.samples.size() == 6; }, 3000));
  EXPECT_EQ(bed.app.operateMode.Get(), 1u);
  EXPECT_EQ(told.size(), 2u) << "once cleared, operate is taken and nothing more is told";
}

TEST(OperatePoller, PressesAreTakenOnlyInTheDeviceStatesThatAllowThem) {
  struct Case {
    std::uint32_t deviceState;
    bool band, clear, toggle, power;
  };
  for (const Case& c : {Case{device_state::kOperating, true, true, true, true},
                        Case{device_state::kWaitingInLoader, false, false, false, true},
                        Case{device_state::kNotResponding, false, false, false, false}}) {
    PollerBed bed;
    bed.OpenPortAsContactLeavesIt();
    bed.app.deviceState.Set(c.deviceState);
    EXPECT_FALSE(bed.poller.RequestPower()) << "not running";
    bed.poller.Start();
    bed.RunUntilSent("^vi;");
    bed.time.RunFor(100);
    SCOPED_TRACE(c.deviceState);
    bed.app.deviceState.Set(c.deviceState);
    EXPECT_EQ(bed.poller.RequestBand(3), c.band);
    EXPECT_EQ(bed.poller.RequestClearFault(), c.clear);
    EXPECT_EQ(bed.poller.RequestOperateToggle(), c.toggle);
    EXPECT_EQ(bed.poller.RequestPower(), c.power);
  }
}

TEST(OperatePoller, PowerPressSwitchesOffAndDropsTheOtherRequests) {
  PollerBed bed;
  bed.FindAmplifier();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunUntilSent("^vi;"));
  bed.time.RunFor(100);
  const std::size_t start = bed.link.SentCommands().size();
  ASSERT_TRUE(bed.poller.RequestPower());
  bed.time.RunFor(2500);

  // The change to DeviceState 2 polls at once: a cycle in the loader is one "I;".
  const auto sent = bed.SentSince(start);
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(sent[0], "^on0;");
  EXPECT_TRUE(std::all_of(sent.begin() + 1, sent.end(), [](auto& s) { return s == "I;"; }));
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kWaitingInLoader);
  ASSERT_FALSE(bed.telemetry.samples.empty());
  EXPECT_TRUE(bed.telemetry.samples.back().EndedInLoader());
  // Now in the loader, each tick asks who is there; ON switches it back on.
  bed.time.RunFor(1000);
  EXPECT_EQ(bed.SentSince(start).back(), "I;");
  ASSERT_TRUE(bed.poller.RequestPower());
  bed.time.RunFor(3000);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  EXPECT_EQ(bed.CountSent("P;"), 1u);
}

// A cycle that loses the amplifier hands over to the contact search; once that finds the
// amplifier again, polling resumes with a fresh machine and no page switch.
TEST(OperatePoller, ResumesByItselfAfterALostAmplifierComesBack) {
  PollerBed bed;
  bed.FindAmplifier();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunUntilSent("^tm;"));
  bed.SilenceAmplifier();
  ASSERT_TRUE(bed.time.RunUntil([&] { return !bed.poller.HasMachine(); }, 10000));
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);
  EXPECT_FALSE(bed.contact().IsIdle());
  ASSERT_FALSE(bed.telemetry.samples.empty());
  EXPECT_EQ(bed.telemetry.samples.back().error, err::kNoResponseToTemperatureQuery);

  const std::size_t lost = bed.link.SentCommands().size();
  bed.link.SetFaults({});
  ASSERT_TRUE(bed.RunContactToEnd());
  bed.time.RunFor(100);
  EXPECT_TRUE(bed.poller.HasMachine());
  // The cycle follows the search's last query at once.
  const auto after = bed.SentSince(lost);
  const auto found = std::find(after.begin(), after.end(), "^sn;");
  ASSERT_GE(after.end() - found, 7);
  EXPECT_EQ(std::vector<std::string>(found + 1, found + 7), kCycle);
  EXPECT_TRUE(bed.telemetry.samples.back().HasReadings());
}

// A holder that stops polling on the sample of a failed run (its last line printed) gets no
// contact search started behind its back.
TEST(OperatePoller, StoppedByItsSinkOnAFailedRunStartsNoSearch) {
  PollerBed bed;
  bed.FindAmplifier();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunUntilSent("^tm;"));
  StoppingTelemetry stopping(bed.poller);
  bed.poller.SetSink(&stopping);
  bed.SilenceAmplifier();
  ASSERT_TRUE(bed.time.RunUntil([&] { return stopping.samples > 0; }, 10000));
  const std::size_t sent = bed.link.SentCommands().size();
  bed.time.RunFor(5000);

  EXPECT_FALSE(bed.poller.IsRunning());
  EXPECT_TRUE(bed.contact().IsIdle());
  EXPECT_EQ(bed.link.SentCommands().size(), sent);
}

// A pulled adapter is left to the port watch: no search tries the absent port meanwhile, and
// polling resumes once the watch has found the amplifier again.
TEST(OperatePoller, APulledAdapterIsLeftToThePortWatchAndPollingResumesAfterIt) {
  PollerBed bed;
  PortWatch watch(bed.app, bed.time);
  bed.FindAmplifier();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunUntilSent("^ws;"));
  const std::size_t lines = bed.status.statusLines.size();
  bed.link.Unplug();
  bed.time.RunFor(10);
  ASSERT_FALSE(bed.telemetry.samples.empty());
  EXPECT_NE(bed.telemetry.samples.back().error, err::kSuccess);
  bed.time.RunFor(5000);
  EXPECT_TRUE(bed.contact().IsIdle());
  for (std::size_t i = lines; i < bed.status.statusLines.size(); ++i) {
    EXPECT_EQ(bed.status.statusLines[i].find("Unable to open"), std::string::npos)
        << bed.status.statusLines[i];
  }

  bed.link.PlugIn();
  bed.time.RunFor(PortWatch::kLookIntervalMs);
  ASSERT_TRUE(bed.RunContactToEnd());
  const std::size_t found = bed.telemetry.samples.size();
  bed.time.RunFor(2500);
  ASSERT_GT(bed.telemetry.samples.size(), found);
  EXPECT_TRUE(bed.telemetry.samples.back().HasReadings());
}

// At start-up with the Operate page current, the line carries the contact search alone, then
// the first cycle.
TEST(OperatePoller, StartsNoCycleWhileTheContactSearchRuns) {
  vlxsim::AmplifierConfig config;
  config.operatingRate = 4800;  // a long search, over several ticks
  PollerBed bed(config);
  bed.app.operatePollInterval.Set(100);
  bed.contact().BeginTestCommunications();
  bed.poller.Start();
  ASSERT_TRUE(bed.RunContactToEnd());
  bed.time.RunFor(50);

  const auto sent = bed.link.SentTexts();
  const auto contactEnd = std::find(sent.begin(), sent.end(), "^sn;");
  ASSERT_NE(contactEnd, sent.end());
  for (auto it = sent.begin(); it != contactEnd; ++it) {
    EXPECT_TRUE(*it == ";" || *it == "I;" || *it == "^RVM;") << *it;
  }
  ASSERT_GE(sent.end() - contactEnd, 3);
  EXPECT_EQ(contactEnd[1], "^bn;");
  EXPECT_EQ(contactEnd[2], "^fl;");
}

// Replies each state must refuse: the run fails with the state's code after its ten sends, and
// the poller polls again once the amplifier answers properly.
struct RefusedCase {
  const char* label;
  const char* query;
  const char* reply;
  ErrorCode code;
};

class RefusedReply : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedReply, FailsTheCycleWithItsCodeAndPollingRecoversOnceHealed) {
  const RefusedCase& c = GetParam();
  PollerBed bed;
  bed.FindAmplifier();
  vlxsim::Faults faults;
  faults.commands.push_back({c.query, Kind::kReplace, 0, 0, 0, c.reply});
  bed.link.SetFaults(faults);
  bed.poller.Start();
  ASSERT_TRUE(bed.time.RunUntil([&] { return !bed.telemetry.samples.empty(); }, 10000));

  EXPECT_EQ(bed.telemetry.samples[0].error, c.code);
  EXPECT_EQ(bed.telemetry.samples[0].deviceState, device_state::kNotResponding);
  EXPECT_EQ(bed.CountSent(c.query), 10u);
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kNotResponding);

  bed.link.SetFaults({});
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.telemetry.samples.back().HasReadings(); }, 60000));
}

INSTANTIATE_TEST_SUITE_P(
    States, RefusedReply,
    ::testing::Values(
        RefusedCase{"BandAboveTen", "^bn;", "^BN11;", err::kNoResponseToBandQuery},
        RefusedCase{"Fault256", "^fl;", "^FL256;", err::kNoResponseToFaultQuery},
        RefusedCase{"ModeTwo", "^os;", "^OS2;", err::kNoResponseToOperateQuery},
        RefusedCase{"PowerSwrOneField", "^ws;", "^WS100;", err::kNoResponseToPowerSwrQuery},
        RefusedCase{"PowerSwrThreeFields", "^ws;", "^WS1 2 3;", err::kNoResponseToPowerSwrQuery},
        RefusedCase{"SwrAbove65535", "^ws;", "^WS100 65536;", err::kNoResponseToPowerSwrQuery},
        RefusedCase{"TemperatureAbove65535", "^tm;", "^TM70000;",
                    err::kNoResponseToTemperatureQuery},
        RefusedCase{"VoltageAbove65535", "^vi;", "^VI99999 1;",
                    err::kNoResponseToVoltageCurrentQuery},
        RefusedCase{"OtherPrefix", "^vi;", "^WS1 2;", err::kNoResponseToVoltageCurrentQuery}),
    ByLabel());

}  // namespace
}  // namespace vlx::test
