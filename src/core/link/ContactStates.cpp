#include "link/ContactStates.h"

#include <array>

#include "link/Machine.h"
#include "link/ReplyText.h"
#include "model/AppSettings.h"

namespace vlx {
namespace {
constexpr std::uint32_t kIdentityTimeoutMs = 200;
constexpr std::uint32_t kQueryTimeoutMs = 500;

constexpr std::array<IdentityName, 6> kIdentityNames{{
    {"RQ7", device_type::kRq7, true},
    {"VLX750", device_type::kVlx750, true},
    {"qmv1200", device_type::kQmv1200, true},
    {"QMV1200", device_type::kQmv1200, false},
    {"tnr750", device_type::kTnr750, true},
    {"TNR750", device_type::kTnr750, false},
}};
}  // namespace

const IdentityName* FindIdentity(std::string_view reply) {
  for (const IdentityName& identity : kIdentityNames) {
    if (ReplyContains(reply, identity.name)) {
      return &identity;
    }
  }
  return nullptr;
}

// QueryIState

QueryIState::QueryIState(Machine& machine, MachineState& loaderNext, MachineState& otherNext)
    : QueryState(machine, "I;", "QueryIState", &loaderNext, kIdentityTimeoutMs),
      otherNext_(otherNext) {}

void QueryIState::Reset() {
  loader_ = false;
  AppSettings& app = machine_.Owner();
  app.SetPortSpeed(kLoaderBitRate);
  app.baudRate.Notify();
  QueryState::Reset();
}

bool QueryIState::Accept() {
  const IdentityName* identity = FindIdentity(machine_.ReceiveBuffer());
  if (identity == nullptr) {
    return false;
  }
  machine_.Owner().deviceType.Publish(identity->deviceType);
  loader_ = identity->loader;
  return true;
}

// Reached after an accepted identity reply and after the time-out alike: an operating
// amplifier does not answer "I;".
void QueryIState::GoToNext() {
  if (loader_) {
    machine_.SetDeviceState(device_state::kWaitingInLoader);
    QueryState::GoToNext();
  } else {
    Enter(otherNext_);
  }
}

// QueryRevisionState

QueryRevisionState::QueryRevisionState(Machine& machine, MachineState& next)
    : QueryState(machine, "^RVM;", "QueryRevisionState", &next, kQueryTimeoutMs,
                 TimeoutPolicy::kRetry, err::kNoResponseToRevisionQuery) {}

bool QueryRevisionState::Accept() {
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

// QuerySerialNumberState

QuerySerialNumberState::QuerySerialNumberState(Machine& machine, MachineState& next)
    : QueryState(machine, "^sn;", "QuerySerialNumberState", &next, kQueryTimeoutMs,
                 TimeoutPolicy::kFailAtOnce, err::kNoResponseToSerialNumberQuery) {}

bool QuerySerialNumberState::Accept() {
  const auto serialNumber = ParseNumberReply(machine_.ReceiveBuffer(), "^SN");
  if (!serialNumber) {
    return false;
  }
  machine_.Owner().serialNumber.Publish(*serialNumber);
  return true;
}

DetermineSpeedState::DetermineSpeedState(Machine& machine, MachineState* next)
    : QueryState(machine, ";", "DetermineSpeedState", next, 100, TimeoutPolicy::kSpeedSearch,
                 err::kNoResponseAfterReset) {}

}  // namespace vlx
