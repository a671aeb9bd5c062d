#include "operate/OperatePoller.h"

#include <memory>

#include "faults/FaultRecord.h"
#include "link/Clock.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "operate/OperateMachine.h"
#include "operate/TelemetrySample.h"

namespace vlx {

OperatePoller::OperatePoller(AppSettings& app, TelemetrySink* sink) : app_(app), sink_(sink) {}

OperatePoller::~OperatePoller() {
  Stop();
}

bool OperatePoller::HasMachine() const {
  return static_cast<bool>(machine_);
}

void OperatePoller::Start() {
  if (running_) {
    return;
  }
  running_ = true;
  app_.TimerServices().KillTimer(*this, kOperatePollTimerId);
  app_.deviceState.Subscribe(*this);
  MakeMachine();
  PollNow();
}

void OperatePoller::Stop() {
  if (!running_) {
    return;
  }
  running_ = false;
  operateRefused_ = false;
  app_.TimerServices().KillTimer(*this, kOperatePollTimerId);
  app_.deviceState.Unsubscribe(*this);
  machine_.Release();
  if (sink_ != nullptr) {
    sink_->OnPollingStopped();
  }
}

bool OperatePoller::BothSlotsIdle() const {
  const Machine* transient = app_.TransientMachine();
  return app_.EstablishContact().IsIdle() && (transient == nullptr || transient->IsIdle());
}

// The slot gives an idle machine up by itself; one still running stays with its holder.
void OperatePoller::MakeMachine() {
  machine_ = app_.InstallTransientMachine(
      std::make_unique<OperateMachine>(app_),
      [this](ErrorCode code, OperateMachine& machine) { OnRunEnded(code, machine); });
}

// A press counts only while polling and while the amplifier can act on it; it then polls at once.
bool OperatePoller::Hold(bool& request, bool allowed) {
  if (!running_ || !allowed) {
    return false;
  }
  request = true;
  PollNow();
  return true;
}

bool OperatePoller::IsOperating() const {
  return app_.deviceState.Get() == device_state::kOperating;
}

bool OperatePoller::RequestBand(std::uint8_t bandCode) {
  if (running_ && IsOperating()) {
    requestedBandCode_ = bandCode;
  }
  return Hold(bandRequested_, IsOperating());
}

bool OperatePoller::RequestClearFault() {
  return Hold(clearRequested_, IsOperating());
}

bool OperatePoller::RequestOperateToggle() {
  return Hold(operateToggleRequested_, IsOperating());
}

bool OperatePoller::RequestPower() {
  return Hold(powerRequested_, app_.deviceState.Get() != device_state::kNotResponding);
}

// One conversation at a time: while the contact search owns the line, the requests wait here
// and the cycle follows the DeviceState change that ends the search.
void OperatePoller::PollNow() {
  if (!running_) {
    return;
  }
  app_.TimerServices().KillTimer(*this, kOperatePollTimerId);
  OperateMachine* machine = machine_.get();
  if (machine != nullptr && app_.EstablishContact().IsIdle()) {
    if (powerRequested_) {
      bandRequested_ = clearRequested_ = operateToggleRequested_ = powerRequested_ = false;
      machine->TogglePower();
    } else {
      if (bandRequested_) {
        bandRequested_ = false;
        machine->SelectBand(requestedBandCode_);
      }
      if (clearRequested_) {
        clearRequested_ = false;
        machine->ClearFault();
      }
      if (operateToggleRequested_) {
        operateToggleRequested_ = false;
        machine->ToggleOperateStandby();
      }
      machine->Poll();
    }
  }
  // Read at every arming, so a changed interval takes effect at the next tick.
  app_.TimerServices().SetTimer(*this, kOperatePollTimerId, app_.operatePollInterval.Get());
}

void OperatePoller::OnTimer(TimerId id) {
  if (id == kOperatePollTimerId) {
    PollNow();
  }
}

void OperatePoller::OnMessage(MessageId id, MessageParam) {
  if (id == app_.deviceState.Id()) {
    OnDeviceStateChanged();
  }
}

// A front panel left open through a power blink comes back by itself: the amplifier found again
// gets a fresh machine, as if the panel had just been shown.
void OperatePoller::OnDeviceStateChanged() {
  if (!running_ || app_.deviceState.Get() == device_state::kNotResponding) {
    return;
  }
  if (!machine_ && BothSlotsIdle()) {
    MakeMachine();
  }
  PollNow();
}

void OperatePoller::OnRunEnded(ErrorCode error, const OperateMachine& machine) {
  TellStandbyReason(machine, error);
  PublishSample(error);
  // The sink may have stopped polling (vlxctl monitor has its last line): then nothing follows.
  // A port that went away (the run met its loss, or came after it) is the port watch's to test
  // again once it is back; a search now could only fail to open it.
  const bool portGone = error == err::kDeviceRemoved || app_.portOpen.Get() == 0;
  if (running_ && !portGone && BothSlotsIdle() &&
      app_.deviceState.Get() == device_state::kNotResponding) {
    machine_.Release();
    app_.EstablishContact().BeginTestCommunications();
  }
}

void OperatePoller::TellStandbyReason(const OperateMachine& machine, ErrorCode error) {
  const std::uint8_t fault = app_.currentFault.Get();
  operateRefused_ = machine.OperateRefused() || (operateRefused_ && error == err::kSuccess &&
                                                 app_.operateMode.Get() == 0 && HoldsFault(fault));
  if (operateRefused_ && standbyReason_) {
    standbyReason_(fault);
  }
}

void OperatePoller::PublishSample(ErrorCode error) {
  if (sink_ == nullptr) {
    return;
  }
  TelemetrySample sample;
  const Clock& clock = app_.Time();
  sample.time = clock.Now();
  sample.tick = clock.TickCount();
  sample.deviceState = app_.deviceState.Get();
  sample.error = error;
  sample.readings.band = app_.band.Get();
  sample.readings.operateMode = app_.operateMode.Get();
  sample.readings.currentFault = app_.currentFault.Get();
  sample.readings.power = app_.power.Get();
  sample.readings.swr = app_.swr.Get();
  sample.readings.temperature = app_.temperature.Get();
  sample.readings.paVoltage = app_.paVoltage.Get();
  sample.readings.paCurrent = app_.paCurrent.Get();
  sink_->OnSample(sample);
}

}  // namespace vlx
