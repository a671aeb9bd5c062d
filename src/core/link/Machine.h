#pragma once
// The engine every conversation with the amplifier runs on: one command per state, then a reply or
// the timer, until FinalState publishes the result.
// Each controller operation that moves a machine is one engine dispatch, so a machine released or a
// box raised inside it waits until the dispatch has returned.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/MachineHandle.h"
#include "link/MachineState.h"
#include "link/TimerService.h"
#include "report/ErrorCode.h"
#include "report/TextFormat.h"

namespace vlx {

class AppSettings;

class Machine {
 public:
  // Primary interface.
  virtual ~Machine();
  // Sees every Log, LogVerbose and Trace line of the machine before it goes on to the status
  // sink; a machine that keeps its own record of the conversation overrides it.
  virtual void OnText(const std::string& line);

  // Controller interface.
  // Asks a running machine to stop at its next send; the final state then sees 1223.
  virtual bool Cancel();
  virtual bool IsIdle() const;
  // The holder gives the machine up; a transient machine is destroyed by it, after the dispatch
  // that released it has returned.
  virtual void Release();
  // Assembles one reply from the port and hands it to the current state.
  virtual void OnDataReceived();
  virtual void OnTimer(TimerId id);

  // Ends a running machine at once through its final state with `code` (unless an error is
  // already stored): the line it talks on is gone.
  void Abort(ErrorCode code);

  // Where the end of each run goes, after the dispatch that ended it: set by the holder's handle,
  // which alone keeps it alive.
  void SetRunEndNotice(std::weak_ptr<const RunEndNotice> notice) {
    runEndNotice_ = std::move(notice);
  }

  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // What states and the final state use.
  AppSettings& Owner() const { return owner_; }
  TimerId Timer() const { return timerId_; }
  std::uint32_t RetryLimit() const { return retryLimit_; }
  ErrorCode Error() const { return error_; }
  void SetError(ErrorCode code) { error_ = code; }
  std::uint32_t DeviceState() const { return deviceState_; }
  void SetDeviceState(std::uint32_t state) { deviceState_ = state; }
  const std::string& ReceiveBuffer() const { return receiveBuffer_; }
  void ClearReceiveBuffer() { receiveBuffer_.clear(); }
  void SetTerminators(std::string terminators) { terminators_ = std::move(terminators); }
  MachineState& Current() const { return *current_; }
  void SetCurrent(MachineState& state) { current_ = &state; }
  MachineState& Final() { return finalState_; }
  // Arms the machine's timer for `milliseconds` and notes the time of the send.
  void ArmTimer(std::uint32_t milliseconds);
  void KillTimer();
  std::uint32_t MillisecondsSinceSend() const;

  void Log(std::uint32_t formatId, FormatArgs args = {});
  void Log(std::string_view format, FormatArgs args = {});
  void LogVerbose(std::uint32_t formatId, FormatArgs args = {});
  void Trace(std::string_view format, FormatArgs args = {});
  // For lines whose arguments cost something to build (a packet in hexadecimal): `makeLine`
  // runs only while Trace is on.
  template <typename MakeLine>
  void TraceLazily(MakeLine&& makeLine) {
    if (TraceEnabled()) {
      EmitTrace(makeLine());
    }
  }
  bool TraceEnabled() const;

 protected:
  Machine(AppSettings& owner, TimerId timerId);
  // Starts a run at `state`, whether the machine is idle or not.
  void Start(MachineState& state);
  // What the final state does with the run's result.
  virtual void PublishResult() = 0;

 private:
  class FinalState final : public SimpleState {
   public:
    explicit FinalState(Machine& machine) : SimpleState(machine, "FinalState", nullptr) {}
    void Execute() override;
  };

  bool IsTerminator(char c) const;
  void EmitTrace(const std::string& line);

  std::uint32_t retryLimit_ = 10;
  std::uint32_t deviceState_ = 0;
  AppSettings& owner_;
  std::string receiveBuffer_;
  std::string terminators_;
  FinalState finalState_;
  ErrorCode error_ = err::kSuccess;
  std::uint32_t sendTick_ = 0;
  MachineState* current_;
  TimerId timerId_;
  std::weak_ptr<const RunEndNotice> runEndNotice_;
};

}  // namespace vlx
