#include "link/Machine.h"

#include "link/Clock.h"
#include "link/ReplyText.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "report/StatusSink.h"

namespace vlx {

Machine::Machine(AppSettings& owner, TimerId timerId)
    : owner_(owner), finalState_(*this), current_(&finalState_), timerId_(timerId) {}

Machine::~Machine() = default;

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
          {current_->GetName(), PrintableReply(receiveBuffer_), MillisecondsSinceSend()});
  }
  current_->OnReply();
  receiveBuffer_.clear();
}

void Machine::OnTimer(TimerId id) {
  if (id != timerId_) {
    return;
  }
  KillTimer();
  if (TraceEnabled()) {
    Trace("%s Timer Elapsed %3u ms", {current_->GetName(), MillisecondsSinceSend()});
  }
  current_->OnTimeout();
}

void Machine::Start(MachineState& state) {
  // A run that is taken over must not leave its timer ticking behind the new one.
  KillTimer();
  error_ = err::kSuccess;
  deviceState_ = owner_.deviceState.Get();
  current_ = &state;
  state.Reset();
  current_->Execute();
}

void Machine::ArmTimer(std::uint32_t milliseconds) {
  owner_.Timers().SetTimer(owner_.MainWindow(), timerId_, milliseconds);
  sendTick_ = owner_.GetClock().TickCount();
}

void Machine::KillTimer() {
  owner_.Timers().KillTimer(owner_.MainWindow(), timerId_);
}

std::uint32_t Machine::MillisecondsSinceSend() const {
  return owner_.GetClock().TickCount() - sendTick_;
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
    const std::string line = FormatText(format, args);
    OnText(line);
    owner_.Status().TraceText(line);
  }
}

std::uint32_t Machine::NextSearchRate(std::uint32_t bitsPerSecond) {
  return bitsPerSecond == 4800 ? 38400 : bitsPerSecond / 2;
}

std::uint32_t Machine::ChangeToNextSearchRate() {
  SerialPort& port = owner_.Serial();
  owner_.SetPortSpeed(NextSearchRate(port.Speed()));
  owner_.baudRate.Notify();
  return port.Speed();
}

}  // namespace vlx
