// The real timers and clock.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "support/platform/EventLoop.h"
#include "time/QtTimerService.h"
#include "time/SystemClock.h"

namespace vlx {
namespace {

using namespace std::chrono_literals;
using vlxtest::SpinFor;
using vlxtest::SpinUntil;

class RecordingTarget : public TimerTarget {
 public:
  void OnTimer(TimerId id) override {
    fired.push_back(id);
    if (onTimer) {
      onTimer(id);
    }
  }
  std::vector<TimerId> fired;
  std::function<void(TimerId)> onTimer;
};

TEST(QtTimerServiceTest, FiresPeriodicallyWithItsIdUntilKilled) {
  QtTimerService timers;
  RecordingTarget target;
  timers.SetTimer(target, 23, 20);
  ASSERT_TRUE(SpinUntil([&] { return target.fired.size() >= 3; }, 2s));
  EXPECT_EQ(target.fired, std::vector<TimerId>(target.fired.size(), 23));

  timers.KillTimer(target, 23);
  const std::size_t firedBeforeKill = target.fired.size();
  SpinFor(100ms);
  EXPECT_EQ(target.fired.size(), firedBeforeKill);
}

TEST(QtTimerServiceTest, ArmingAgainReplacesThePendingPeriod) {
  QtTimerService timers;
  RecordingTarget target;
  timers.SetTimer(target, 6, 20);
  timers.SetTimer(target, 6, 5000);
  SpinFor(150ms);
  EXPECT_TRUE(target.fired.empty());

  timers.SetTimer(target, 6, 20);
  EXPECT_TRUE(SpinUntil([&] { return !target.fired.empty(); }, 1s));
}

TEST(QtTimerServiceTest, TimersAreKeptApartByTargetAndIdAndMayBeKilledFromTheirOwnTick) {
  QtTimerService timers;
  RecordingTarget first;
  RecordingTarget second;
  first.onTimer = [&](TimerId id) { timers.KillTimer(first, id); };
  timers.SetTimer(first, 10, 10);
  timers.SetTimer(second, 10, 10);
  timers.SetTimer(second, 11, 10);
  timers.KillTimer(second, 11);

  SpinFor(150ms);
  EXPECT_EQ(first.fired, std::vector<TimerId>{10});
  EXPECT_GE(second.fired.size(), 3u);
  EXPECT_EQ(second.fired, std::vector<TimerId>(second.fired.size(), 10));
}

// A firmware load arms and kills its timer about 2,000 times; each cycle reuses the one QTimer,
// and one killed and armed again from inside its own tick keeps ticking.
TEST(QtTimerServiceTest, KillStopsTheTimerAndArmingAgainRestartsTheSameOne) {
  QtTimerService timers;
  RecordingTarget target;
  for (int cycle = 0; cycle < 2000; ++cycle) {
    timers.SetTimer(target, 10, 1000);
    timers.KillTimer(target, 10);
  }
  EXPECT_EQ(timers.findChildren<QTimer*>().size(), 1);
  SpinFor(50ms);
  EXPECT_TRUE(target.fired.empty());

  target.onTimer = [&](TimerId id) {
    timers.KillTimer(target, id);
    if (target.fired.size() < 3) {
      timers.SetTimer(target, id, 10);
    }
  };
  timers.SetTimer(target, 10, 10);
  ASSERT_TRUE(SpinUntil([&] { return target.fired.size() >= 3; }, 2s));
  SpinFor(100ms);
  EXPECT_EQ(target.fired, std::vector<TimerId>(3, 10)) << "killed for good on the third tick";
  EXPECT_EQ(timers.findChildren<QTimer*>().size(), 1);
}

TEST(SystemClockTest, SleepBlocksWithoutRunningTheEventLoop) {
  SystemClock clock;
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  const std::uint32_t before = clock.TickCount();
  clock.Sleep(30);
  EXPECT_GE(clock.TickCount() - before, 30u);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(SpinUntil([&] { return ran; }, 1s));
}

TEST(SystemClockTest, LocalTimeIsACalendarDate) {
  const LocalTime now = SystemClock().Now();
  EXPECT_GE(now.year, 2024u);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.day >= 1 && now.day <= 31);
  EXPECT_LE(now.hour, 23u);
  EXPECT_LE(now.minute, 59u);
  EXPECT_LE(now.millisecond, 999u);
}

// The offset is the zone's, in minutes, east of Greenwich positive.
TEST(SystemClockTest, LocalTimeCarriesTheZonesOffset) {
  const char* const oldZone = std::getenv("TZ");
  const std::string saved = oldZone ? oldZone : "";
  const struct {
    const char* zone;
    std::int32_t minutes;
  } zones[] = {{"UTC0", 0}, {"<+0530>-5:30", 330}, {"<-03>3", -180}};
  for (const auto& [zone, minutes] : zones) {
    ::setenv("TZ", zone, 1);
    ::tzset();
    EXPECT_EQ(SystemClock().Now().utcOffsetMinutes, minutes) << zone;
  }
  if (oldZone) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace vlx
