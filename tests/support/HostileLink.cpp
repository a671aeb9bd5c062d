#include "support/HostileLink.h"

namespace vlx::test {
namespace {

constexpr std::uint32_t kFaultyFrames = 2500;  // more frames than any run sends
constexpr std::uint32_t kNoiseEveryMs = 30;
constexpr std::uint32_t kNoiseUntilMs = 60000;
constexpr std::uint32_t kSlowReplyMs = 600;

// The same fault on every frame the amplifier receives.
vlxsim::Faults OnEveryFrame(vlxsim::FrameFault fault) {
  vlxsim::Faults faults;
  for (std::uint32_t frame = 0; frame < kFaultyFrames; ++frame) {
    fault.frame = frame;
    faults.frames.push_back(fault);
  }
  return faults;
}

void Nothing(LinkTestBed&) {}

}  // namespace

const std::vector<HostileLinkRow>& HostileLinkRows() {
  using Kind = vlxsim::FrameFault::Kind;
  static const std::vector<HostileLinkRow> rows{
      {"Silence", LinkFault::kSilence, [](LinkTestBed& bed) { bed.SilenceAmplifier(); }, Nothing},
      {"Noise", LinkFault::kNoise,
       [](LinkTestBed& bed) {
         vlxsim::Faults faults = LinkTestBed::SilentAmplifier().faults;
         for (std::uint64_t at = 5; at < kNoiseUntilMs; at += kNoiseEveryMs) {
           faults.noise.push_back({at, 24});
         }
         bed.link.SetFaults(faults);
       },
       Nothing},
      {"LoneTerminator", LinkFault::kLoneTerminator,
       [](LinkTestBed& bed) {
         bed.link.SetFaults(OnEveryFrame({0, Kind::kReplace, 0, ";"}));
       },
       Nothing},
      {"CutReply", LinkFault::kCutReply,
       [](LinkTestBed& bed) {
         bed.link.SetFaults(OnEveryFrame({0, Kind::kCutAfter, 3, {}}));
       },
       Nothing},
      {"CorruptedReply", LinkFault::kCorruptedReply,
       [](LinkTestBed& bed) {
         bed.link.SetFaults(OnEveryFrame({0, Kind::kCorruptByte, 1, {}}));
       },
       Nothing},
      {"SlowReply", LinkFault::kSlowReply,
       [](LinkTestBed& bed) {
         vlxsim::Faults faults;
         faults.replyDelayMs = kSlowReplyMs;
         bed.link.SetFaults(faults);
       },
       Nothing},
      {"DroppedThenGood", LinkFault::kDroppedThenGood,
       [](LinkTestBed& bed) {
         vlxsim::Faults faults;
         faults.frames.push_back({0, Kind::kNoAnswer, 0, {}});
         bed.link.SetFaults(faults);
       },
       Nothing},
      {"WriteFailure", LinkFault::kWriteFailure, Nothing,
       [](LinkTestBed& bed) { bed.link.FailNextCall(err::kWriteFault); }},
      {"AdapterPulled", LinkFault::kAdapterPulled, Nothing,
       [](LinkTestBed& bed) { bed.link.Unplug(); }},
  };
  return rows;
}

}  // namespace vlx::test
