#include "link/EstablishContactMachine.h"

#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "report/ErrorText.h"
#include "report/FailureReport.h"
#include "report/LinkTextIds.h"
#include "report/Prompts.h"

namespace vlx {
namespace {
constexpr std::uint32_t kProbeTimeoutMs = 100;

// Gives the link up: closes an open port and forgets what was known of the device.
void ClosePortAndForget(Machine& machine) {
  AppSettings& app = machine.Owner();
  if (app.portOpen.Get() == 0) {
    return;
  }
  app.ClosePort();
  machine.LogVerbose(ids::kSerialPortClosed, {app.Serial().Name()});
  app.ForgetDevice();
  machine.SetDeviceState(device_state::kNotResponding);
}
}  // namespace

EstablishContactMachine::EstablishContactMachine(AppSettings& owner)
    : Machine(owner, kEstablishContactTimerId),
      closePort_(*this, &Final()),
      openPort_(*this, &establishContact_),
      queryRevision_(*this, querySerialNumber_),
      establishContact_(*this, &queryI_, queryRevision_),
      queryI_(*this, Final(), queryRevision_),
      querySerialNumber_(*this, Final()) {}

void EstablishContactMachine::BeginClosePort() {
  Start(closePort_);
}

void EstablishContactMachine::BeginTestCommunications() {
  Start(openPort_);
}

bool EstablishContactMachine::BeginQueryRevision() {
  if (!IsIdle()) {
    return false;
  }
  Start(queryRevision_);
  return true;
}

void EstablishContactMachine::PublishResult() {
  AppSettings& app = Owner();
  if (Error() != err::kSuccess) {
    SetDeviceState(device_state::kNotResponding);
  }
  app.SetDeviceState(DeviceState());
  if (app.deviceType.Get() != device_type::kNone && !app.IsAmplifierPresent()) {
    // The status line says it too: the state just published speaks of a VLX.
    Log(ids::kUnexpectedDeviceText);
    ShowMessageBox(app.Boxes(), ids::kUnexpectedDeviceText, ids::kUnexpectedDeviceCaption,
                   mb::kIconWarning);
    SetDeviceState(device_state::kNotResponding);
  }
}

// ClosePortState

EstablishContactMachine::ClosePortState::ClosePortState(Machine& machine, MachineState* next)
    : SimpleState(machine, "ClosePortState", next) {}

void EstablishContactMachine::ClosePortState::Execute() {
  ClosePortAndForget(machine_);
  GoToNext();
}

// OpenPortState

EstablishContactMachine::OpenPortState::OpenPortState(Machine& machine, MachineState* next)
    : SimpleState(machine, "OpenPortState", next) {}

void EstablishContactMachine::OpenPortState::Execute() {
  AppSettings& app = machine_.Owner();
  ClosePortAndForget(machine_);
  const std::string name = app.port.Get();
  if (name.empty()) {
    Fail(err::kSerialPortNameMissing);
    return;
  }
  machine_.LogVerbose(ids::kOpeningSerialPort, {name});
  SerialPort& port = app.Serial();
  app.portOpen.Publish(port.Open(name) ? 1 : 0);
  if (app.portOpen.Get() != 0) {
    app.SetPortSpeed(kOpeningBitRate);
    app.baudRate.Notify();
    machine_.Log(ids::kSerialPortOpen, {name});
    GoToNext();
    return;
  }
  const ErrorCode code = port.LastError();
  if (code == err::kAccessDenied) {
    machine_.Log(ids::kPortUsedByAnother, {name});
  } else {
    machine_.Log(ids::kUnableToOpenPort, {name, code, FormatErrorText(code)});
  }
  Fail(code);
}

// EstablishContactState

EstablishContactMachine::EstablishContactState::EstablishContactState(Machine& machine,
                                                                      MachineState* next,
                                                                      MachineState& operatingNext)
    : QueryState(machine, ";", "EstablishContactState", next, kProbeTimeoutMs,
                 RateSearchRules::ContactSearch()),
      operatingNext_(operatingNext) {}

void EstablishContactMachine::EstablishContactState::Reset() {
  timeout_ = kProbeTimeoutMs;
  machine_.SetDeviceState(device_state::kNotResponding);
  RateSearch::AnnounceAttempt(*this);
  QueryState::Reset();
}

// An answer at 38400 may come from the loader, so the identity query decides. An answer at any
// other rate can only come from an operating amplifier, and the conversation stays at that rate:
// its revision and serial number are read where it was found.
void EstablishContactMachine::EstablishContactState::OnSuccess() {
  if (machine_.Owner().Serial().Speed() == kLoaderBitRate) {
    GoToNext();
  } else {
    Enter(operatingNext_);
  }
}

}  // namespace vlx
