#include "operate/OperateMachine.h"

#include "faults/FaultRecord.h"
#include "link/ReplyText.h"
#include "link/SerialPort.h"
#include "model/AppSettings.h"
#include "operate/OperateReplies.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {
constexpr std::uint32_t kPowerSettleMs = 2000;
constexpr std::uint32_t kProbeTimeoutMs = 100;
constexpr std::uint32_t kQueryTimeoutMs = 500;
constexpr std::uint32_t kRequestTimeoutMs = 50;
constexpr std::int32_t kHighestBand = 10;
constexpr std::int32_t kFaultCodes = 256;
}  // namespace

OperateMachine::OperateMachine(AppSettings& owner)
    : Machine(owner, kOperateTimerId),
      togglePower_(*this, &determineSpeed_, queryI_),
      operateStart_(*this, &queryBand_, determineSpeed_, queryI_),
      determineSpeed_(*this, &queryRevision_, queryI_),
      queryRevision_(*this, querySerialNumber_),
      querySerialNumber_(*this, queryBand_),
      queryI_(*this, Final(), queryRevision_),
      queryBand_(*this, queryFault_),
      queryFault_(*this, queryOperate_),
      queryOperate_(*this, queryPowerSwr_),
      queryPowerSwr_(*this, queryTemperature_),
      queryTemperature_(*this, queryVoltageCurrent_),
      queryVoltageCurrent_(*this, Final()) {}

OperateMachine::~OperateMachine() = default;

bool OperateMachine::SelectBand(std::uint8_t bandCode) {
  bandPending_ = true;
  bandCode_ = bandCode;
  return true;
}

bool OperateMachine::ClearFault() {
  clearPending_ = true;
  return true;
}

bool OperateMachine::Poll() {
  if (!IsIdle()) {
    return false;
  }
  operateAsked_ = operateRefused_ = false;
  Start(operateStart_);
  return true;
}

bool OperateMachine::ToggleOperateStandby() {
  operateTogglePending_ = true;
  return true;
}

bool OperateMachine::TogglePower() {
  if (!IsIdle()) {
    return false;
  }
  operateAsked_ = operateRefused_ = false;
  Start(togglePower_);
  return true;
}

// The error is taken before DeviceState is told: a listener may start the next run from there,
// and MachineDone must still carry this run's code.
void OperateMachine::PublishResult() {
  const ErrorCode error = Error();
  if (error != err::kSuccess) {
    SetDeviceState(device_state::kNotResponding);
  }
  AppSettings& app = Owner();
  if (DeviceState() != app.deviceState.Get()) {
    if (DeviceState() == device_state::kWaitingInLoader) {
      app.SetPortSpeed(kLoaderBitRate);
    }
    app.SetDeviceState(DeviceState());
  }
  app.machineDone.Notify(error);
}

// TogglePowerState

OperateMachine::TogglePowerState::TogglePowerState(OperateMachine& machine, MachineState* next,
                                                   MachineState& switchedOffNext)
    : CommandState(machine, "^on0;", "TogglePowerState", next, kPowerSettleMs),
      switchedOffNext_(switchedOffNext) {}

void OperateMachine::TogglePowerState::Reset() {
  switch (machine_.Owner().deviceState.Get()) {
    case device_state::kWaitingInLoader:
      command_ = "P;";
      machine_.SetDeviceState(device_state::kNotResponding);
      break;
    case device_state::kOperating:
      command_ = "^on0;";
      machine_.SetDeviceState(device_state::kWaitingInLoader);
      break;
    default:
      command_.clear();
      machine_.SetDeviceState(device_state::kNotResponding);
      break;
  }
}

// A switched-off amplifier answers only from its loader, at its one rate.
void OperateMachine::TogglePowerState::GoToNext() {
  if (machine_.DeviceState() == device_state::kWaitingInLoader) {
    Enter(switchedOffNext_);
  } else {
    CommandState::GoToNext();
  }
}

// OperateStartState

OperateMachine::OperateStartState::OperateStartState(OperateMachine& machine, MachineState* next,
                                                     MachineState& probe, MachineState& identity)
    : SimpleState(machine, "OperateStartState", next), probe_(probe), identity_(identity) {}

void OperateMachine::OperateStartState::Execute() {
  machine_.SetDeviceState(machine_.Owner().deviceState.Get());
  switch (machine_.DeviceState()) {
    case device_state::kWaitingInLoader:
      Enter(identity_);
      break;
    case device_state::kOperating:
      GoToNext();
      break;
    default:
      Enter(probe_);
      break;
  }
}

// OperateDetermineSpeedState

OperateMachine::OperateDetermineSpeedState::OperateDetermineSpeedState(OperateMachine& machine,
                                                                       MachineState* next,
                                                                       MachineState& loaderRateNext)
    : QueryState(machine, ";", "OperateDetermineSpeedState", next, kProbeTimeoutMs,
                 RateSearchRules::Probe(), err::kNoResponseToSemicolonPoll),
      loaderRateNext_(loaderRateNext) {}

void OperateMachine::OperateDetermineSpeedState::Reset() {
  AppSettings& app = machine_.Owner();
  app.SetPortSpeed(kLoaderBitRate);
  app.baudRate.Notify();
  QueryState::Reset();
}

void OperateMachine::OperateDetermineSpeedState::OnSuccess() {
  if (machine_.Owner().Serial().Speed() == kLoaderBitRate) {
    Enter(loaderRateNext_);
  } else {
    GoToNext();
  }
}

// OperateQueryRevisionState

OperateMachine::OperateQueryRevisionState::OperateQueryRevisionState(OperateMachine& machine,
                                                                     MachineState& next)
    : QueryState(machine, "^RVM;", "OperateQueryRevisionState", &next, kQueryTimeoutMs,
                 TimeoutPolicy::kFailAtOnce, err::kNoResponseToRevisionQuery) {}

bool OperateMachine::OperateQueryRevisionState::Accept() {
  const auto revision = ParseRevisionReply(machine_.ReceiveBuffer());
  if (!revision) {
    return false;
  }
  machine_.Owner().revision.Publish(*revision);
  machine_.SetDeviceState(device_state::kOperating);
  return true;
}

// ReadingState

OperateMachine::ReadingState::ReadingState(OperateMachine& machine, std::string query,
                                           std::string name, MachineState& next,
                                           ErrorCode noResponseError)
    : QueryState(machine, query, std::move(name), &next, kQueryTimeoutMs, TimeoutPolicy::kRetry,
                 noResponseError),
      operate_(machine),
      query_(std::move(query)) {}

void OperateMachine::ReadingState::Reset() {
  const std::string request = TakeRequest();
  command_ = request + query_;
  timeout_ = request.empty() ? kQueryTimeoutMs : kRequestTimeoutMs;
  QueryState::Reset();
}

// A request goes out once: every send after the first is the plain query.
void OperateMachine::ReadingState::OnTimeout() {
  command_ = query_;
  timeout_ = kQueryTimeoutMs;
  QueryState::OnTimeout();
}

// SetQueryBandState

OperateMachine::SetQueryBandState::SetQueryBandState(OperateMachine& machine, MachineState& next)
    : ReadingState(machine, "^bn;", "SetQueryBandState", next, err::kNoResponseToBandQuery) {}

std::string OperateMachine::SetQueryBandState::TakeRequest() {
  if (!operate_.bandPending_) {
    return {};
  }
  operate_.bandPending_ = false;
  // Two digits at least, as the amplifier's band command wants them.
  return FormatText("^bn%02u;", {operate_.bandCode_});
}

bool OperateMachine::SetQueryBandState::Accept() {
  const auto band = SignedNumberReply(machine_.ReceiveBuffer(), "^BN");
  if (!band || *band > kHighestBand) {
    return false;
  }
  machine_.Owner().band.Publish(static_cast<std::uint32_t>(*band));
  return true;
}

// ClearQueryCurrentFaultState

OperateMachine::ClearQueryCurrentFaultState::ClearQueryCurrentFaultState(OperateMachine& machine,
                                                                         MachineState& next)
    : ReadingState(machine, "^fl;", "ClearQueryCurrentFaultState", next,
                   err::kNoResponseToFaultQuery) {}

std::string OperateMachine::ClearQueryCurrentFaultState::TakeRequest() {
  if (!operate_.clearPending_) {
    return {};
  }
  operate_.clearPending_ = false;
  return "^flc;";
}

bool OperateMachine::ClearQueryCurrentFaultState::Accept() {
  const auto fault = SignedNumberReply(machine_.ReceiveBuffer(), "^FL");
  if (!fault || *fault >= kFaultCodes) {
    return false;
  }
  machine_.Owner().currentFault.Publish(static_cast<std::uint8_t>(*fault & 0xFF));
  return true;
}

// ToggleQueryOperateStandbyState

OperateMachine::ToggleQueryOperateStandbyState::ToggleQueryOperateStandbyState(
    OperateMachine& machine, MachineState& next)
    : ReadingState(machine, "^os;", "ToggleQueryOperateStandbyState", next,
                   err::kNoResponseToOperateQuery) {}

std::string OperateMachine::ToggleQueryOperateStandbyState::TakeRequest() {
  if (!operate_.operateTogglePending_) {
    return {};
  }
  operate_.operateTogglePending_ = false;
  if (machine_.Owner().operateMode.Get() == 1) {
    return "^os0;";
  }
  operate_.operateAsked_ = true;
  return "^os1;";
}

bool OperateMachine::ToggleQueryOperateStandbyState::Accept() {
  constexpr std::string_view kPrefix = "^OS";
  const std::string& reply = machine_.ReceiveBuffer();
  if (reply.size() <= kPrefix.size() ||
      std::string_view(reply).substr(0, kPrefix.size()) != kPrefix) {
    return false;
  }
  const char mode = reply[kPrefix.size()];
  if (mode != '0' && mode != '1') {
    return false;
  }
  AppSettings& app = machine_.Owner();
  if (operate_.operateAsked_) {
    // The fault state was read just before, in this cycle.
    operate_.operateAsked_ = false;
    operate_.operateRefused_ = mode == '0' && HoldsFault(app.currentFault.Get());
  }
  app.operateMode.Publish(mode == '1' ? 1 : 0);
  return true;
}

// QueryPowerSwrState

OperateMachine::QueryPowerSwrState::QueryPowerSwrState(OperateMachine& machine, MachineState& next)
    : ReadingState(machine, "^ws;", "QueryPowerSwrState", next, err::kNoResponseToPowerSwrQuery) {}

bool OperateMachine::QueryPowerSwrState::Accept() {
  const auto fields = TwoFieldReply(machine_.ReceiveBuffer(), "^WS");
  if (!fields) {
    return false;
  }
  AppSettings& app = machine_.Owner();
  app.power.Publish((*fields)[0]);
  app.swr.Publish((*fields)[1]);
  return true;
}

// QueryTemperatureState

OperateMachine::QueryTemperatureState::QueryTemperatureState(OperateMachine& machine,
                                                             MachineState& next)
    : ReadingState(machine, "^tm;", "QueryTemperatureState", next,
                   err::kNoResponseToTemperatureQuery) {}

bool OperateMachine::QueryTemperatureState::Accept() {
  const auto temperature = ParseNumberReply(machine_.ReceiveBuffer(), "^TM");
  if (!temperature) {
    return false;
  }
  machine_.Owner().temperature.Publish(*temperature);
  return true;
}

// QueryVoltageCurrentState

OperateMachine::QueryVoltageCurrentState::QueryVoltageCurrentState(OperateMachine& machine,
                                                                   MachineState& next)
    : ReadingState(machine, "^vi;", "QueryVoltageCurrentState", next,
                   err::kNoResponseToVoltageCurrentQuery) {}

bool OperateMachine::QueryVoltageCurrentState::Accept() {
  const auto fields = TwoFieldReply(machine_.ReceiveBuffer(), "^VI");
  if (!fields) {
    return false;
  }
  AppSettings& app = machine_.Owner();
  app.paVoltage.Publish((*fields)[0]);
  app.paCurrent.Publish((*fields)[1]);
  return true;
}

}  // namespace vlx
