#include "link/MachineState.h"

#include "link/Machine.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"

namespace vlx {
namespace {
constexpr std::uint32_t kSpeedSearchRateLimit = 20;
}  // namespace

MachineState::MachineState(Machine& machine, std::string name, MachineState* next,
                           std::uint32_t timeout, std::string command)
    : machine_(machine),
      name_(std::move(name)),
      next_(next),
      timeout_(timeout),
      command_(std::move(command)) {}

const std::string& MachineState::GetName() const {
  return name_;
}

void MachineState::Enter(MachineState& state) {
  machine_.SetCurrent(state);
  state.Reset();
  machine_.Current().Execute();
}

void MachineState::GoToNext() {
  if (next_ != nullptr) {
    Enter(*next_);
  }
}

void MachineState::GoToFinal() {
  Enter(machine_.GetFinalState());
}

void MachineState::OnReply() {}

void MachineState::Reset() {}

void MachineState::OnTimeout() {}

void MachineState::TraceSend() {}

void MachineState::Fail(ErrorCode code) {
  machine_.SetError(code);
  GoToFinal();
}

void CommandState::Execute() {
  if (command_.empty()) {
    GoToNext();
  } else {
    Send();
  }
}

void CommandState::OnTimeout() {
  GoToNext();
}

void CommandState::TraceSend() {
  machine_.Trace("%s Send \"%s\"", {GetName(), command_});
}

void CommandState::Send() {
  if (machine_.Error() != err::kSuccess) {
    GoToFinal();
    return;
  }
  machine_.ClearReceiveBuffer();
  TraceSend();
  // A failed write is reported by the port itself; the state then simply times out.
  SerialPort& port = machine_.Owner().Serial();
  port.Purge();
  port.WriteText(command_);
  machine_.ArmTimer(timeout_);
}

void QueryState::OnReply() {
  if (Accept()) {
    machine_.KillTimer();
    OnAccepted();
  }
}

void QueryState::Reset() {
  if (policy_ == TimeoutPolicy::kRetry) {
    retryCount_ = 0;
  }
  if (policy_ == TimeoutPolicy::kSpeedSearch) {
    retryCount_ = 0;
    speedChanges_ = 0;
  }
  machine_.SetTerminators(GetTerminators());
}

void QueryState::OnTimeout() {
  switch (policy_) {
    case TimeoutPolicy::kMoveOn:
      GoToNext();
      return;
    case TimeoutPolicy::kFailAtOnce:
      Fail(noResponseError_);
      return;
    case TimeoutPolicy::kRetry:
      if (++retryCount_ < machine_.RetryLimit()) {
        Send();
      } else {
        Fail(noResponseError_);
      }
      return;
    case TimeoutPolicy::kSpeedSearch:
      SearchSpeed();
      return;
  }
}

void QueryState::SearchSpeed() {
  if (++retryCount_ < Machine::kSendsPerSearchRate) {
    Execute();
    return;
  }
  if (++speedChanges_ >= kSpeedSearchRateLimit) {
    Fail(noResponseError_);
    return;
  }
  const std::uint32_t rate = machine_.ChangeToNextSearchRate();
  machine_.Trace("%s::ChangeSpeed %u", {GetName(), rate});
  retryCount_ = 0;
  Execute();
}

void QueryState::OnAccepted() {
  OnSuccess();
}

std::string QueryState::GetTerminators() const {
  return ";";
}

void QueryState::OnSuccess() {
  GoToNext();
}

bool QueryState::Accept() {
  return true;
}

}  // namespace vlx
