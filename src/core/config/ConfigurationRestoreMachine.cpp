#include "config/ConfigurationRestoreMachine.h"

#include "config/ConfigurationRanges.h"
#include "link/EngineDispatch.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "report/ConfigTextIds.h"
#include "report/TextFormat.h"

namespace vlx {

ConfigurationRestoreMachine::ConfigurationRestoreMachine(AppSettings& owner)
    : Machine(owner, kConfigurationRestoreTimerId),
      initializeLoopVariable_(*this, &testLoopCondition_, loopVariable_),
      testLoopCondition_(*this, loopBody_, &delayFinishProgress_, loopVariable_,
                         [this] { return static_cast<std::uint32_t>(runs_.size()); }),
      loopBody_(*this, &incrementLoopVariable_),
      incrementLoopVariable_(*this, &testLoopCondition_, loopVariable_),
      delayFinishProgress_(*this, &saveSpeed_),
      saveSpeed_(*this, &reloadFromProm_),
      reloadFromProm_(*this, &determineSpeed_),
      determineSpeed_(*this, &restoreSpeed_),
      restoreSpeed_(*this, &Final()) {}

bool ConfigurationRestoreMachine::Cancel() {
  return CanBeCancelled() && Machine::Cancel();
}

bool ConfigurationRestoreMachine::CanBeCancelled() const {
  return !IsIdle() && !allWritten_;
}

void ConfigurationRestoreMachine::AddByte(std::uint8_t bank, std::uint8_t address,
                                          std::uint8_t value) {
  if (!IsRestorable(bank, address)) {
    return;
  }
  RestoreRun* run = building_ ? &runs_[*building_] : nullptr;
  if (run == nullptr || run->bank != bank || run->last == 0xFF || address != run->last + 1) {
    RestoreRun fresh;
    fresh.bank = bank;
    fresh.start = address;
    fresh.data.fill(0xFF);
    runs_.push_back(fresh);
    building_ = runs_.size() - 1;
    run = &runs_.back();
  }
  run->data[address] = value;
  run->last = address;
}

bool ConfigurationRestoreMachine::StartRestore() {
  if (!IsIdle() || !HasBytes()) {
    return false;
  }
  AppSettings& app = Owner();
  const EngineDispatch::Scope dispatch = app.Dispatch().Enter();
  bytesWritten_ = 0;
  allWritten_ = false;
  savedBitRate_ = 0;
  app.progressPosition.Publish(0);
  app.progressRange.Publish(TotalBytes());
  Start(initializeLoopVariable_);
  return true;
}

std::uint32_t ConfigurationRestoreMachine::TotalBytes() const {
  std::uint32_t total = 0;
  for (const RestoreRun& run : runs_) {
    total += run.last - run.start + 1u;
  }
  return total;
}

// An amplifier that did not answer after the reload is most likely back at the rate it had: the
// port goes there too, so that Test Communications starts from it.
void ConfigurationRestoreMachine::PublishResult() {
  AppSettings& app = Owner();
  if (Error() == err::kNoResponseAfterReset && savedBitRate_ != 0 &&
      app.Serial().Speed() != savedBitRate_) {
    app.SetPortSpeed(savedBitRate_);
    app.baudRate.Notify();
  }
  app.machineDone.Notify(Error());
}

// ConfigRestoreLoopBodyState

ConfigurationRestoreMachine::ConfigRestoreLoopBodyState::ConfigRestoreLoopBodyState(
    ConfigurationRestoreMachine& machine, MachineState* next)
    : WriteBlockState(machine, "ConfigRestoreLoopBodyState", next), restore_(machine) {}

void ConfigurationRestoreMachine::ConfigRestoreLoopBodyState::Reset() {
  const RestoreRun& run = restore_.runs_[restore_.loopVariable_];
  SetSpan(run.bank, run.start, run.last - run.start + 1u);
  SetSource(run.data.data() + run.start);
  WriteBlockState::Reset();
}

void ConfigurationRestoreMachine::ConfigRestoreLoopBodyState::AdvanceBlock() {
  restore_.bytesWritten_ += BlockCount();
  WriteBlockState::AdvanceBlock();
}

// RestoreDelayState

ConfigurationRestoreMachine::RestoreDelayState::RestoreDelayState(
    ConfigurationRestoreMachine& machine, MachineState* next)
    : DelayFinishProgressState(machine, next), restore_(machine) {}

// A cancellation asked for while the last block was in flight came too late to stop a write: it
// is dropped, and the reload and the search for the rate run as for any complete restore.
void ConfigurationRestoreMachine::RestoreDelayState::Reset() {
  restore_.allWritten_ = true;
  if (machine_.Error() == err::kCancelled) {
    machine_.SetError(err::kSuccess);
  }
}

// SaveRS232SpeedState

ConfigurationRestoreMachine::SaveRS232SpeedState::SaveRS232SpeedState(
    ConfigurationRestoreMachine& machine, MachineState* next)
    : SimpleState(machine, "SaveRS232SpeedState", next), restore_(machine) {}

void ConfigurationRestoreMachine::SaveRS232SpeedState::Execute() {
  restore_.savedBitRate_ = machine_.Owner().Serial().Speed();
  GoToNext();
}

// ReloadFromPromState

ConfigurationRestoreMachine::ReloadFromPromState::ReloadFromPromState(Machine& machine,
                                                                      MachineState* next)
    : CommandState(machine, "^rpm;", "ReloadFromPromState", next, kReloadTimeoutMs) {}

// RestoreRS232SpeedState

ConfigurationRestoreMachine::RestoreRS232SpeedState::RestoreRS232SpeedState(
    ConfigurationRestoreMachine& machine, MachineState* next)
    : SimpleState(machine, "RestoreRS232SpeedState", next), restore_(machine) {}

// The amplifier is told first, at the rate it answered at; only then does the port follow. A
// command that could not be written leaves both where they are, together.
void ConfigurationRestoreMachine::RestoreRS232SpeedState::Execute() {
  AppSettings& app = machine_.Owner();
  const std::uint32_t current = app.Serial().Speed();
  const std::uint32_t saved = restore_.savedBitRate_;
  machine_.Trace("%s from %u to %u", {Name(), current, saved});
  if (current != saved) {
    if (!app.SendSpeedCommand(saved) && app.deviceState.Get() == device_state::kOperating) {
      Fail(app.Serial().LastError());
      return;
    }
    app.SetPortSpeed(saved);
    app.baudRate.Notify();
  }
  GoToNext();
}

std::optional<std::string> RestoreStoppedText(ErrorCode code, const RestoreOutcome& outcome) {
  if (code == err::kSuccess) {
    return std::nullopt;
  }
  if (code == err::kNoResponseAfterReset) {
    return FormatText(ids::kRestoreNoAnswerAfterReload, {outcome.totalBytes});
  }
  if (outcome.bytesWritten == 0) {
    return FormatText(ids::kRestoreStoppedUnwritten);
  }
  if (!outcome.AllWritten()) {
    return FormatText(ids::kRestoreStoppedPartway, {outcome.bytesWritten, outcome.totalBytes});
  }
  return std::nullopt;
}

}  // namespace vlx
