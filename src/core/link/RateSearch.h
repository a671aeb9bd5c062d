#pragma once
// The one search every machine uses for the amplifier's line speed: a few sends at each of 38400,
// 19200, 9600 and 4800 bit/s, then 38400 again. RateSearchRules names what differs between them.

#include <cstdint>
#include <optional>

namespace vlx {

class MachineState;

struct RateSearchRules {
  enum class OnWrap {
    kGoOn,         // keep cycling
    kGiveUp,       // all four rates were tried once: the search has failed
    kGrowTimeout,  // wait half as long again, up to a ceiling
  };
  enum class Announce {
    kNone,
    kTraceChangeSpeed,  // "%s::ChangeSpeed %u" while tracing
    kAttemptLine,       // the status line "Attempting to contact ..."
  };

  std::optional<std::uint32_t> rateLimit;  // rate changes before giving up; none: no limit
  OnWrap onWrap = OnWrap::kGoOn;
  Announce announce = Announce::kNone;

  // The engine's speed search: at most 20 rates, each change traced.
  static RateSearchRules SpeedSearch();
  // The contact search: no end of its own, each change on the status line, longer waits on
  // every return to 38400.
  static RateSearchRules ContactSearch();
  // One pass over the four rates, silently.
  static RateSearchRules Probe();
};

class RateSearch {
 public:
  static constexpr std::uint32_t kSendsPerRate = 4;
  static constexpr std::uint32_t kTimeoutCeilingMs = 5000;

  explicit RateSearch(RateSearchRules rules) : rules_(rules) {}

  void Reset();
  // After a time-out of `state`: true when the search goes on (send again, at the port's rate,
  // waiting `timeout`), false when it has given up.
  bool OnTimeout(MachineState& state, std::uint32_t& timeout);
  // Announces the attempt at the port's present rate on the status line.
  static void AnnounceAttempt(MachineState& state);

 private:
  RateSearchRules rules_;
  std::uint32_t tries_ = 0;
  std::uint32_t rateChanges_ = 0;
};

}  // namespace vlx
