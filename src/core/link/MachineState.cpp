#include "link/MachineState.h"

#include "link/Machine.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"

namespace vlx {

MachineState::MachineState(Machine& machine, std::string name, MachineState* next,
                           std::uint32_t timeout, std::string command, ErrorCode noResponseError)
    : machine_(machine),
      name_(std::move(name)),
      next_(next),
      timeout_(timeout),
      command_(std::move(command)),
      noResponseError_(noResponseError) {}

const std::string& MachineState::Name() const {
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
  OnRunEndsEarly();
  Enter(machine_.Final());
}

void MachineState::ReturnTo(MachineState& state) {
  machine_.SetCurrent(state);
}

void MachineState::OnRunEndsEarly() {}

void MachineState::OnReply() {}

void MachineState::Reset() {}

void MachineState::OnTimeout() {}

void MachineState::TraceSend() {}

void MachineState::Fail(ErrorCode code) {
  machine_.SetError(code);
  GoToFinal();
}

void TimedState::Execute() {
  machine_.ArmTimer(timeout_);
}

void TimedState::OnTimeout() {
  GoToNext();
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
  machine_.Trace("%s Send \"%s\"", {Name(), command_});
}

void CommandState::Send() {
  if (machine_.Error() != err::kSuccess) {
    GoToFinal();
    return;
  }
  TraceSend();
  Transmit(command_, timeout_);
}

// A write that did not happen has nothing to wait for: the run ends at once, and the port has
// already told the user why.
void CommandState::Transmit(std::string_view bytes, std::uint32_t timeout) {
  machine_.ClearReceiveBuffer();
  SerialPort& port = machine_.Owner().Serial();
  if (!port.Purge() || !port.Write(bytes)) {
    Fail(port.LastError());
    return;
  }
  machine_.ArmTimer(timeout);
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
  if (rateSearch_) {
    rateSearch_->Reset();
  }
  machine_.SetTerminators(Terminators());
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
      if (rateSearch_->OnTimeout(*this, timeout_)) {
        Send();
      } else {
        Fail(noResponseError_);
      }
      return;
  }
}

void QueryState::OnAccepted() {
  OnSuccess();
}

std::string QueryState::Terminators() const {
  return ";";
}

void QueryState::OnSuccess() {
  GoToNext();
}

bool QueryState::Accept() {
  return true;
}

}  // namespace vlx
