#include "link/Machine.h"

#include "link/Clock.h"
#include "link/EngineDispatch.h"
#include "link/MachineTimers.h"
#include "link/ReplyText.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "report/StatusSink.h"

namespace vlx {

Machine::Machine(AppSettings& owner, TimerId timerId)
    : owner_(owner), finalState_(*this), current_(&finalState_), timerId_(timerId) {}

Machine::~Machine() {
  KillTimer();
}

void Machine::OnText(const std::string&) {}

bool Machine::Cancel() {
  if (IsIdle()) {
    return false;
  }
  if (error_ == err::kSuccess) {
    error_ = err::kCancelled;
  }
  return true;
}

bool Machine::IsIdle() const {
  return current_ == &finalState_;
}

void Machine::Release() {
  owner_.ReleaseMachine(*this);
}

bool Machine::IsTerminator(char c) const {
  return terminators_.find(c) != std::string::npos;
}

void Machine::OnDataReceived() {
  const EngineDispatch::Scope dispatch = owner_.Dispatch().Enter();
  SerialPort& port = owner_.Serial();
  for (;;) {
    std::uint8_t byte = 0;
    std::size_t count = 0;
    if (!port.Read(byte, count) || count == 0) {
      break;
    }
    receiveBuffer_.push_back(static_cast<char>(byte));
    if (IsTerminator(static_cast<char>(byte))) {
      break;
    }
  }
  // A reply split over several notifications stays here until its terminator arrives.
  if (receiveBuffer_.empty() || !IsTerminator(receiveBuffer_.back())) {
    return;
  }
  if (TraceEnabled()) {
    Trace("%s Response \"%s\" %3u ms",
          {current_->Name(), PrintableReply(receiveBuffer_), MillisecondsSinceSend()});
  }
  current_->OnReply();
  receiveBuffer_.clear();
}

void Machine::OnTimer(TimerId id) {
  if (id != timerId_) {
    return;
  }
  const EngineDispatch::Scope dispatch = owner_.Dispatch().Enter();
  KillTimer();
  if (TraceEnabled()) {
    Trace("%s Timer Elapsed %3u ms", {current_->Name(), MillisecondsSinceSend()});
  }
  current_->OnTimeout();
}

void Machine::Abort(ErrorCode code) {
  if (IsIdle()) {
    return;
  }
  const EngineDispatch::Scope dispatch = owner_.Dispatch().Enter();
  KillTimer();
  if (error_ == err::kSuccess) {
    error_ = code;
  }
  current_->GoToFinal();
}

void Machine::Start(MachineState& state) {
  const EngineDispatch::Scope dispatch = owner_.Dispatch().Enter();
  // A run that is taken over must not leave its timer ticking behind the new one.
  KillTimer();
  error_ = err::kSuccess;
  deviceState_ = owner_.deviceState.Get();
  current_ = &state;
  state.Reset();
  current_->Execute();
}

// However a run ends, it leaves no timer behind. Its holder hears of it once the dispatch has
// returned, so that it may release the machine, start the next run or close its view there. The
// code is taken first: a listener told by PublishResult may already start the next run.
void Machine::FinalState::Execute() {
  machine_.KillTimer();
  const ErrorCode code = machine_.Error();
  machine_.PublishResult();
  if (!machine_.runEndNotice_.expired()) {
    machine_.owner_.Dispatch().AfterDispatch([notice = machine_.runEndNotice_, code] {
      if (const std::shared_ptr<const RunEndNotice> told = notice.lock()) {
        (*told)(code);
      }
    });
  }
}

void Machine::ArmTimer(std::uint32_t milliseconds) {
  owner_.Timers().Arm(*this, timerId_, milliseconds);
  sendTick_ = owner_.Time().TickCount();
}

void Machine::KillTimer() {
  owner_.Timers().Kill(*this, timerId_);
}

std::uint32_t Machine::MillisecondsSinceSend() const {
  return owner_.Time().TickCount() - sendTick_;
}

void Machine::Log(std::uint32_t formatId, FormatArgs args) {
  const std::string line = FormatText(formatId, args);
  OnText(line);
  owner_.Status().StatusText(line);
}

void Machine::Log(std::string_view format, FormatArgs args) {
  const std::string line = FormatText(format, args);
  OnText(line);
  owner_.Status().StatusText(line);
}

void Machine::LogVerbose(std::uint32_t formatId, FormatArgs args) {
  const std::string line = FormatText(formatId, args);
  OnText(line);
  owner_.Status().VerboseText(line);
}

bool Machine::TraceEnabled() const {
  return owner_.trace.Get() != 0;
}

void Machine::Trace(std::string_view format, FormatArgs args) {
  if (TraceEnabled()) {
    EmitTrace(FormatText(format, args));
  }
}

void Machine::EmitTrace(const std::string& line) {
  OnText(line);
  owner_.Status().TraceText(line);
}

}  // namespace vlx
