// How long machines live and what they leave behind: a machine released under its own stack is
// destroyed only once the dispatch has returned, a gone machine's timer dies with it, a holder's
// handle never dangles, a run's end reaches its holder once after the dispatch and never after
// the release, and a box raised inside a dispatch waits until it has returned. The sanitizer
// build runs these too.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "support/CaseNames.h"
#include "support/LinkTestBed.h"
#include "support/ProbeMachine.h"

namespace vlx::test {
namespace {

// Releases the machine the moment MachineDone arrives, as a dialog that closes on it does.
class ReleasingHolder final : public Listener {
 public:
  explicit ReleasingHolder(MachineHandle<ProbeMachine>& handle) : handle_(handle) {}
  void OnMessage(MessageId, MessageParam code) override {
    doneCodes.push_back(static_cast<ErrorCode>(code));
    stillThereWhenReleasing = static_cast<bool>(handle_);
    handle_.Release();
  }
  std::vector<ErrorCode> doneCodes;
  bool stillThereWhenReleasing = false;

 private:
  MachineHandle<ProbeMachine>& handle_;
};

// A page that records the timer ticks no machine took.
class RecordingPage final : public RoutedEvents {
 public:
  void OnTimer(TimerId id) override { ticks.push_back(id); }
  void OnSerialEvent() override {}
  std::vector<TimerId> ticks;
};

class MachineLifetime : public ::testing::Test {
 protected:
  MachineLifetime() : bed(LinkTestBed::SilentAmplifier()) {
    bed.OpenPortAsContactLeavesIt();
    bed.router.SetCurrentPage(&page);
  }

  MachineHandle<ProbeMachine> Install(TimeoutPolicy policy = TimeoutPolicy::kRetry,
                                      MachineHandle<ProbeMachine>::RunEnded runEnded = {}) {
    return bed.app.InstallTransientMachine(std::make_unique<ProbeMachine>(bed.app, policy),
                                           std::move(runEnded));
  }

  LinkTestBed bed;
  RecordingPage page;
};

// What brings the run to its end, and so MachineDone, inside which the holder releases it.
struct EndingCase {
  const char* label;
  TimeoutPolicy policy;
  std::function<void(LinkTestBed&)> arrange;  // before the start
  std::function<void(LinkTestBed&)> drive;    // after it
  ErrorCode code;

  // Starts the machine and brings its run to this ending.
  void Play(LinkTestBed& bed, ProbeMachine& machine) const {
    arrange(bed);
    machine.BeginProbe();
    drive(bed);
    bed.time.RunFor(5000);
  }
};

class ReleaseInsideMachineDone : public MachineLifetime,
                                 public ::testing::WithParamInterface<EndingCase> {};

TEST_P(ReleaseInsideMachineDone, DestroysTheMachineOnlyAfterTheDispatchReturns) {
  const EndingCase& c = GetParam();
  // The command-line host reads the machine after each routed notification: it must still be
  // there then.
  bool runEndSawTheMachine = false;
  bed.router.SetRunEndHandler([&](Machine& machine) { runEndSawTheMachine = machine.IsIdle(); });
  MachineHandle<ProbeMachine> handle = Install(c.policy);
  ReleasingHolder holder(handle);
  bed.app.machineDone.Subscribe(holder);

  c.Play(bed, *handle.get());

  EXPECT_EQ(holder.doneCodes, std::vector<ErrorCode>{c.code});
  EXPECT_TRUE(holder.stillThereWhenReleasing);
  EXPECT_FALSE(handle);
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
  EXPECT_TRUE(page.ticks.empty());
  if (c.code != err::kWriteFault) {
    EXPECT_TRUE(runEndSawTheMachine);
  }
}

const auto kEndings = ::testing::Values(
    // The last reply ends the run inside the reply's dispatch.
    EndingCase{"AfterAReply", TimeoutPolicy::kFailAtOnce, [](LinkTestBed&) {},
               [](LinkTestBed& bed) {
                 for (int reply = 0; reply < 2; ++reply) {
                   bed.time.RunFor(10);
                   bed.link.Deliver("^RVM01.23;");
                 }
               },
               err::kSuccess},
    // The time-out ends the run inside the tick's dispatch.
    EndingCase{"AfterATimerTick", TimeoutPolicy::kFailAtOnce, [](LinkTestBed&) {},
               [](LinkTestBed&) {}, kNoProbeReply},
    // A write that fails ends the run inside the start operation itself.
    EndingCase{"InsideTheStart", TimeoutPolicy::kRetry,
               [](LinkTestBed& bed) { bed.link.FailNextCall(err::kWriteFault); },
               [](LinkTestBed&) {}, err::kWriteFault});

INSTANTIATE_TEST_SUITE_P(Engine, ReleaseInsideMachineDone, kEndings, ByLabel{});

// What the holder's handle hears of the same endings.
class RunEndToTheHolder : public MachineLifetime,
                          public ::testing::WithParamInterface<EndingCase> {};

TEST_P(RunEndToTheHolder, IsToldOnceAfterTheDispatchWithTheMachineInItsFinalState) {
  const EndingCase& c = GetParam();
  struct Ending {
    ErrorCode code;
    bool insideDispatch;
    bool idle;
    std::size_t machineDonesBefore;
  };
  std::vector<Ending> endings;
  RecordingListener done;
  bed.app.machineDone.Subscribe(done);
  MachineHandle<ProbeMachine> handle = Install(c.policy, [&](ErrorCode code,
                                                             ProbeMachine& machine) {
    endings.push_back({code, bed.app.Dispatch().Active(), machine.IsIdle(), done.received.size()});
  });

  c.Play(bed, *handle.get());

  ASSERT_EQ(endings.size(), 1u);
  EXPECT_EQ(endings[0].code, c.code);
  EXPECT_FALSE(endings[0].insideDispatch);
  EXPECT_TRUE(endings[0].idle);
  EXPECT_EQ(endings[0].machineDonesBefore, 1u);  // the model's watchers were told first
  EXPECT_TRUE(handle);
}

TEST_P(RunEndToTheHolder, IsNeverToldOnceTheHolderReleasedInsideTheDispatch) {
  const EndingCase& c = GetParam();
  int told = 0;
  MachineHandle<ProbeMachine> handle =
      Install(c.policy, [&told](ErrorCode, ProbeMachine&) { ++told; });
  ReleasingHolder holder(handle);
  bed.app.machineDone.Subscribe(holder);

  c.Play(bed, *handle.get());

  EXPECT_EQ(holder.doneCodes, std::vector<ErrorCode>{c.code});
  EXPECT_EQ(told, 0);
  EXPECT_EQ(bed.app.TransientMachine(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Engine, RunEndToTheHolder, kEndings, ByLabel{});

TEST_F(MachineLifetime, AHandleGivenUpBeforeTheRunEndsHearsNothing) {
  // Replaced by a newer handle while its run still goes (a holder that starts again), and
  // released while running: neither ending reaches its holder.
  int toldReplaced = 0;
  int toldReleased = 0;
  MachineHandle<ProbeMachine> replaced =
      Install(TimeoutPolicy::kFailAtOnce, [&](ErrorCode, ProbeMachine&) { ++toldReplaced; });
  replaced->BeginProbe();
  ProbeMachine* first = replaced.get();
  replaced = Install(TimeoutPolicy::kFailAtOnce, [&](ErrorCode, ProbeMachine&) { ++toldReleased; });
  first->Abort(err::kCancelled);
  replaced->BeginProbe();
  replaced.Release();
  bed.time.RunFor(5000);

  EXPECT_EQ(toldReplaced, 0);
  EXPECT_EQ(toldReleased, 0);
}

TEST_F(MachineLifetime, AWriteThatFailsEndsTheRunOnceAndItsBoxWaitsForTheDispatch) {
  MachineHandle<ProbeMachine> handle = Install();
  RecordingListener done;
  std::size_t boxesAtMachineDone = 99;
  struct BoxCounter final : Listener {
    std::function<void()> onDone;
    void OnMessage(MessageId, MessageParam) override { onDone(); }
  } counter;
  counter.onDone = [&] { boxesAtMachineDone = bed.prompts.boxes.size(); };
  bed.app.machineDone.Subscribe(done);
  bed.app.machineDone.Subscribe(counter);

  bed.link.FailNextCall(err::kWriteFault);
  handle->BeginProbe();

  EXPECT_EQ(done.received,
            (std::vector<std::pair<MessageId, MessageParam>>{{kMsgMachineDone, err::kWriteFault}}));
  EXPECT_EQ(boxesAtMachineDone, 0u);  // no nested event loop inside the engine
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "COM Port Error");
  EXPECT_TRUE(handle->IsIdle());
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
  bed.time.RunFor(5000);
  EXPECT_EQ(done.received.size(), 1u);
  EXPECT_EQ(bed.link.SentCommands().size(), 0u);
}

TEST_F(MachineLifetime, AReleasedRunningMachineTakesItsTimerWithIt) {
  MachineHandle<ProbeMachine> handle = Install();
  handle->BeginProbe();
  EXPECT_TRUE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
  handle.Release();
  EXPECT_FALSE(bed.time.IsTimerArmed(bed.router, kProbeTimerId));
  bed.time.RunFor(5000);
  EXPECT_TRUE(page.ticks.empty());
}

TEST_F(MachineLifetime, ADisplacedMachineIsReachedOnlyWhileItLives) {
  // An idle machine is given up by the next installation: its holder's handle goes empty and a
  // late Release is harmless.
  MachineHandle<ProbeMachine> idle = Install();
  MachineHandle<ProbeMachine> running = Install();
  EXPECT_FALSE(idle);
  idle.Release();

  // A running one stays for its holder, but its ticks reach nobody.
  running->BeginProbe();
  MachineHandle<ProbeMachine> newest = Install();
  EXPECT_TRUE(running);
  EXPECT_EQ(bed.app.TransientMachine(), newest.get());
  bed.time.RunFor(5000);
  EXPECT_TRUE(page.ticks.empty());
  EXPECT_EQ(bed.link.SentCommands().size(), 1u);
  running.Release();
  EXPECT_FALSE(running);
  EXPECT_EQ(bed.app.TransientMachine(), newest.get());
}

TEST_F(MachineLifetime, TheTimerTargetGoesWithTheRouter) {
  auto app = std::make_unique<LinkTestBed>();
  {
    MachineRouter second(app->app);
    EXPECT_EQ(app->app.Timers().Target(), &second);
  }
  EXPECT_EQ(app->app.Timers().Target(), nullptr);
  app->app.EstablishContact().BeginTestCommunications();  // arms nothing, touches nothing gone
  EXPECT_FALSE(app->time.IsTimerArmed(app->router, kEstablishContactTimerId));
}

}  // namespace
}  // namespace vlx::test
