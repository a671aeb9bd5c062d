// The paced line as vlx750-sim --pace carries it, walked one exchange at a time in made-up time:
// the program's bytes reach the amplifier at the line rate, its reply leaves the processing delay
// after the last of them and reaches the program at the line rate, and nothing else is added.
// After "^rpm;" the amplifier listens again, at the rate its settings hold, before the restore's
// probe goes out 100 ms later. The configuration benchmark counts on both.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "daemon/InputPacer.h"
#include "daemon/Scheduler.h"
#include "model/Amplifier.h"
#include "model/Line.h"

namespace vlxsim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr std::uint32_t kProcessingDelayMs = 2;
constexpr microseconds kProcessingDelay{kProcessingDelayMs * 1000};

// What reached the program and when its last byte did.
struct Heard {
  std::string bytes;
  microseconds lastAt{0};
};

// The daemon's two paced queues around the amplifier, at one rate on both sides.
class PacedLine {
 public:
  explicit PacedLine(std::uint32_t rate) : amplifier_(Config(rate)), rate_(rate) {}

  // The program writes `command` at `writtenAt`, and the daemon reads it at once.
  Heard Exchange(microseconds writtenAt, const std::string& command) {
    input_.Add(origin_ + writtenAt, command, rate_);
    for (const InputPacer::Arrival& arrival : input_.TakeDue(Clock::time_point::max())) {
      const auto at = std::chrono::duration_cast<microseconds>(arrival.at - origin_);
      for (Transmission& sent : amplifier_.Receive(arrival.bytes, arrival.rate, At(at))) {
        replies_.Add(origin_ + microseconds(sent.atMicros), std::move(sent));
      }
    }
    Heard heard;
    while (const auto due = replies_.NextDue()) {
      heard.bytes += replies_.TakeDue(*due, [this](const Transmission& sent) {
        return AcrossRates(sent.bytes, sent.rate, rate_);
      });
      heard.lastAt = std::chrono::duration_cast<microseconds>(*due - origin_);
    }
    return heard;
  }

 private:
  static AmplifierConfig Config(std::uint32_t rate) {
    AmplifierConfig config;
    config.operatingRate = rate;
    config.processingDelayMs = kProcessingDelayMs;
    return config;
  }
  static std::uint64_t At(microseconds time) { return static_cast<std::uint64_t>(time.count()); }

  Amplifier amplifier_;
  std::uint32_t rate_;
  const Clock::time_point origin_ = Clock::time_point() + std::chrono::hours(1);
  InputPacer input_{true};
  Scheduler replies_{true};
};

microseconds OnLine(std::size_t characters, std::uint32_t rate) {
  return microseconds(LineTimeMicros(characters, rate));
}

class PacedLineTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(PacedLineTest, BlockExchangesTakeTheirLineTimeAndTheProcessingDelay) {
  const std::uint32_t rate = GetParam();
  PacedLine line(rate);

  const std::string read = "^ER000040C0;";
  const Heard block = line.Exchange(microseconds(0), read);
  ASSERT_EQ(block.bytes.size(), 12u + 2 * 64);
  ASSERT_EQ(block.bytes.substr(0, 9), read.substr(0, 9));
  const microseconds readDone = OnLine(12, rate) + kProcessingDelay + OnLine(140, rate);
  EXPECT_EQ(block.lastAt, readDone);

  // Writing the same bytes back: a good "^ER" reply's checksum is the "^EW" command's.
  const std::string write = "^EW" + block.bytes.substr(3);
  const Heard echo = line.Exchange(readDone, write);
  EXPECT_EQ(echo.bytes, "^EW" + read.substr(3));
  EXPECT_EQ(echo.lastAt, readDone + OnLine(140, rate) + kProcessingDelay + OnLine(12, rate));
}

TEST_P(PacedLineTest, TheReloadEndsWithinTheRestoresWaitAtTheSettingsRate) {
  const std::uint32_t rate = GetParam();
  PacedLine line(rate);
  const microseconds reloadAt(10'000);
  EXPECT_EQ(line.Exchange(reloadAt, "^rpm;").bytes, "");

  // The restore's probe, 100 ms after it wrote "^rpm;", at the rate it had before.
  const microseconds probeAt = reloadAt + microseconds(100'000);
  const Heard probe = line.Exchange(probeAt, ";");
  EXPECT_EQ(probe.bytes, ";");
  EXPECT_EQ(probe.lastAt, probeAt + OnLine(1, rate) + kProcessingDelay + OnLine(1, rate));
}

INSTANTIATE_TEST_SUITE_P(Rates, PacedLineTest, ::testing::Values(4800u, 9600u, 19200u, 38400u),
                         [](const ::testing::TestParamInfo<std::uint32_t>& info) {
                           return "At" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace vlxsim
