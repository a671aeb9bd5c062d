// The telemetry history: where the plot's line breaks, the ring once it is full, and finding the
// samples of a time span across the tick count's wrap.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operate/TelemetryHistory.h"

namespace vlx {
namespace {

TelemetrySample Read(std::uint32_t tick, std::uint16_t power = 100) {
  TelemetrySample sample;
  sample.tick = tick;
  sample.deviceState = device_state::kOperating;
  sample.readings.power = power;
  return sample;
}

TelemetrySample Failed(std::uint32_t tick) {
  TelemetrySample sample;
  sample.tick = tick;
  sample.error = err::kWriteFault;
  return sample;
}

TelemetrySample InLoader(std::uint32_t tick) {
  TelemetrySample sample;
  sample.tick = tick;
  sample.deviceState = device_state::kWaitingInLoader;
  return sample;
}

// Each letter is a run (R read, F failed, L ended in the loader) or S, polling stopped; the
// expectation marks each run that the line reaches from the run before it.
TEST(TelemetryHistoryTest, TheLineJoinsOnlyConsecutiveReadingsWhilePollingGoesOn) {
  const struct {
    const char* runs;
    const char* joined;
  } cases[] = {
      {"RRR", "-JJ"},   {"RRFRR", "-J--J"}, {"RRSRR", "-J-J"},
      {"RLRR", "---J"}, {"SSR", "-"},       {"RSSFR", "---"},
  };
  for (const auto& c : cases) {
    TelemetryHistory history;
    std::uint32_t tick = 0;
    for (const char* run = c.runs; *run != '\0'; ++run) {
      tick += 100;
      switch (*run) {
        case 'R':
          history.Append(Read(tick));
          break;
        case 'F':
          history.Append(Failed(tick));
          break;
        case 'L':
          history.Append(InLoader(tick));
          break;
        case 'S':
          history.BreakLine();
          break;
      }
    }
    std::string joined;
    for (std::size_t i = 0; i < history.Size(); ++i) {
      joined += history.At(i).joined ? 'J' : '-';
    }
    EXPECT_EQ(joined, c.joined) << c.runs;
  }
}

TEST(TelemetryHistoryTest, AFullRingDropsTheOldestAndKeepsItsOrder) {
  TelemetryHistory history;
  EXPECT_EQ(history.Latest(), nullptr);
  const std::size_t total = TelemetryHistory::kCapacity + 5;
  for (std::size_t i = 0; i < total; ++i) {
    history.Append(Read(static_cast<std::uint32_t>(i * 100), static_cast<std::uint16_t>(i)));
  }
  ASSERT_EQ(history.Size(), TelemetryHistory::kCapacity);
  EXPECT_EQ(history.At(0).sample.readings.power, 5);
  EXPECT_EQ(history.FromNewest(0).sample.readings.power, static_cast<std::uint16_t>(total - 1));
  EXPECT_EQ(history.Latest(), &history.FromNewest(0));
  EXPECT_TRUE(history.At(0).joined);

  history.Clear();
  EXPECT_TRUE(history.Empty());
  history.Append(Read(1));
  EXPECT_FALSE(history.At(0).joined) << "a cleared history starts a new line";
}

TEST(TelemetryHistoryTest, TheSpanIsFoundAcrossTheTickCountsWrap) {
  TelemetryHistory history;
  EXPECT_EQ(history.FirstWithin(0, 1000), 0u);
  const std::uint32_t start = 0xFFFFFF00u;  // 256 ms before the wrap
  for (std::uint32_t i = 0; i < 50; ++i) {
    history.Append(Read(start + i * 100));
  }
  const std::uint32_t newest = history.Latest()->sample.tick;
  ASSERT_LT(newest, start) << "the ticks wrapped";
  EXPECT_EQ(history.FirstWithin(newest, 1000), 39u) << "eleven samples within one second";
  EXPECT_EQ(history.FirstWithin(newest, 999), 40u);
  EXPECT_EQ(history.FirstWithin(newest, 60 * 60 * 1000), 0u);
  EXPECT_EQ(history.FirstWithin(newest + 10000, 1000), 50u) << "nothing within the last second";
  EXPECT_EQ(history.FirstWithin(newest - 200, 0), 47u) << "newer samples count as age 0";
}

}  // namespace
}  // namespace vlx
