#include "link/EstablishContactMachine.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "link/ReplyText.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "report/ErrorText.h"
#include "report/FailureReport.h"
#include "report/Prompts.h"
#include "report/StringTable.h"

namespace vlx {
namespace {
constexpr std::uint32_t kProbeTimeoutMs = 100;
constexpr std::uint32_t kProbeTimeoutCeilingMs = 5000;
constexpr std::uint32_t kIdentityTimeoutMs = 200;
constexpr std::uint32_t kQueryTimeoutMs = 500;
// The bootstrap loader only ever runs at this rate.
constexpr std::uint32_t kLoaderBitRate = 38400;

struct IdentityName {
  std::string_view name;
  std::uint32_t deviceType;
  bool loader;
};

// Searched in this order; the first name found decides.
constexpr std::array<IdentityName, 6> kIdentityNames{{
    {"RQ7", device_type::kRq7, true},
    {"VLX750", device_type::kVlx750, true},
    {"qmv1200", device_type::kQmv1200, true},
    {"QMV1200", device_type::kQmv1200, false},
    {"tnr750", device_type::kTnr750, true},
    {"TNR750", device_type::kTnr750, false},
}};

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
      closePort_(*this, &GetFinalState()),
      openPort_(*this, &establishContact_),
      queryRevision_(*this, &querySerialNumber_),
      establishContact_(*this, &queryI_, queryRevision_),
      queryI_(*this, &GetFinalState(), queryRevision_),
      querySerialNumber_(*this, &GetFinalState()) {}

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
  app.SetDeviceState(GetDeviceState());
  if (app.deviceType.Get() != device_type::kNone && !app.IsAmplifierPresent()) {
    ShowMessageBox(app.GetPrompts(), ids::kUnexpectedDeviceText, ids::kUnexpectedDeviceCaption,
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
    app.SetPortSpeed(kLoaderBitRate);
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

// QueryRevisionState

EstablishContactMachine::QueryRevisionState::QueryRevisionState(Machine& machine,
                                                                MachineState* next)
    : QueryState(machine, "^RVM;", "QueryRevisionState", next, kQueryTimeoutMs,
                 TimeoutPolicy::kRetry) {
  SetNoResponseError(err::kNoResponseToRevisionQuery);
}

bool EstablishContactMachine::QueryRevisionState::Accept() {
  const auto revision = ParseRevisionReply(machine_.ReceiveBuffer());
  if (!revision) {
    return false;
  }
  AppSettings& app = machine_.Owner();
  app.revision.Publish(*revision);
  app.deviceType.Publish(device_type::kVlx750);
  machine_.SetDeviceState(device_state::kOperating);
  return true;
}

// EstablishContactState

EstablishContactMachine::EstablishContactState::EstablishContactState(Machine& machine,
                                                                      MachineState* next,
                                                                      MachineState& operatingNext)
    : QueryState(machine, ";", "EstablishContactState", next, kProbeTimeoutMs),
      operatingNext_(operatingNext) {}

void EstablishContactMachine::EstablishContactState::Reset() {
  tries_ = 0;
  timeout_ = kProbeTimeoutMs;
  machine_.SetDeviceState(device_state::kNotResponding);
  AnnounceAttempt();
  QueryState::Reset();
}

void EstablishContactMachine::EstablishContactState::AnnounceAttempt() {
  const SerialPort& port = machine_.Owner().Serial();
  machine_.Log(ids::kAttemptingContact, {kDeviceWord, port.Name(), port.Speed()});
}

// The search has no end of its own: it runs until the amplifier answers, the port is closed or
// a new test starts. Each return to 38400 waits longer, for a slow or busy amplifier.
void EstablishContactMachine::EstablishContactState::OnTimeout() {
  if (++tries_ < kSendsPerSearchRate) {
    Send();
    return;
  }
  tries_ = 0;
  if (machine_.ChangeToNextSearchRate() == kLoaderBitRate) {
    timeout_ = std::min(timeout_ * 3 / 2, kProbeTimeoutCeilingMs);
  }
  AnnounceAttempt();
  Send();
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

// QueryIState

EstablishContactMachine::QueryIState::QueryIState(Machine& machine, MachineState* next,
                                                  MachineState& alternativeNext)
    : QueryState(machine, "I;", "QueryIState", next, kIdentityTimeoutMs),
      alternativeNext_(alternativeNext) {}

void EstablishContactMachine::QueryIState::Reset() {
  loader_ = false;
  AppSettings& app = machine_.Owner();
  app.SetPortSpeed(kLoaderBitRate);
  app.baudRate.Notify();
  QueryState::Reset();
}

bool EstablishContactMachine::QueryIState::Accept() {
  const std::string& reply = machine_.ReceiveBuffer();
  for (const IdentityName& identity : kIdentityNames) {
    if (ReplyContains(reply, identity.name)) {
      machine_.Owner().deviceType.Publish(identity.deviceType);
      loader_ = identity.loader;
      return true;
    }
  }
  return false;
}

// Reached after an accepted identity reply and after the time-out alike: an operating
// amplifier does not answer "I;".
void EstablishContactMachine::QueryIState::GoToNext() {
  if (loader_) {
    machine_.SetDeviceState(device_state::kWaitingInLoader);
    GoToFinal();
  } else {
    Enter(alternativeNext_);
  }
}

// QuerySerialNumberState

EstablishContactMachine::QuerySerialNumberState::QuerySerialNumberState(Machine& machine,
                                                                        MachineState* next)
    : QueryState(machine, "^sn;", "QuerySerialNumberState", next, kQueryTimeoutMs,
                 TimeoutPolicy::kFailAtOnce) {
  SetNoResponseError(err::kNoResponseToSerialNumberQuery);
}

bool EstablishContactMachine::QuerySerialNumberState::Accept() {
  const auto serialNumber = ParseNumberReply(machine_.ReceiveBuffer(), "^SN");
  if (!serialNumber) {
    return false;
  }
  machine_.Owner().serialNumber.Publish(*serialNumber);
  return true;
}

}  // namespace vlx
