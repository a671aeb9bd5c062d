#include "link/RateSearch.h"

#include <algorithm>

#include "link/Machine.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "model/DeviceFacts.h"
#include "report/LinkTextIds.h"

namespace vlx {
namespace {
constexpr std::uint32_t kSpeedSearchRateLimit = 20;
constexpr std::uint32_t kWrapRate = 38400;

// The next rate of every search.
std::uint32_t NextRate(std::uint32_t bitsPerSecond) {
  return bitsPerSecond == 4800 ? 38400 : bitsPerSecond / 2;
}
}  // namespace

RateSearchRules RateSearchRules::SpeedSearch() {
  return {kSpeedSearchRateLimit, OnWrap::kGoOn, Announce::kTraceChangeSpeed};
}

RateSearchRules RateSearchRules::ContactSearch() {
  return {std::nullopt, OnWrap::kGrowTimeout, Announce::kAttemptLine};
}

RateSearchRules RateSearchRules::Probe() {
  return {std::nullopt, OnWrap::kGiveUp, Announce::kNone};
}

void RateSearch::Reset() {
  tries_ = 0;
  rateChanges_ = 0;
}

void RateSearch::AnnounceAttempt(MachineState& state) {
  Machine& machine = state.OwningMachine();
  const SerialPort& port = machine.Owner().Serial();
  machine.Log(ids::kAttemptingContact, {kDeviceWord, port.Name(), port.Speed()});
}

bool RateSearch::OnTimeout(MachineState& state, std::uint32_t& timeout) {
  if (++tries_ < kSendsPerRate) {
    return true;
  }
  tries_ = 0;
  if (rules_.rateLimit && ++rateChanges_ >= *rules_.rateLimit) {
    return false;
  }
  Machine& machine = state.OwningMachine();
  AppSettings& app = machine.Owner();
  app.SetPortSpeed(NextRate(app.Serial().Speed()));
  app.baudRate.Notify();
  const std::uint32_t rate = app.Serial().Speed();
  if (rate == kWrapRate) {
    if (rules_.onWrap == RateSearchRules::OnWrap::kGiveUp) {
      return false;
    }
    if (rules_.onWrap == RateSearchRules::OnWrap::kGrowTimeout) {
      timeout = std::min(timeout * 3 / 2, kTimeoutCeilingMs);
    }
  }
  switch (rules_.announce) {
    case RateSearchRules::Announce::kNone:
      break;
    case RateSearchRules::Announce::kTraceChangeSpeed:
      machine.Trace("%s::ChangeSpeed %u", {state.Name(), rate});
      break;
    case RateSearchRules::Announce::kAttemptLine:
      AnnounceAttempt(state);
      break;
  }
  return true;
}

}  // namespace vlx
