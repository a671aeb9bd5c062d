#include "model/AppSettings.h"

#include <algorithm>

#include "link/Clock.h"
#include "link/EstablishContactMachine.h"

namespace vlx {
namespace {
// The amplifier needs this long after a speed command before it listens at the new rate.
constexpr std::uint32_t kSpeedCommandSettleMs = 50;

const char* SpeedCommand(std::uint32_t bitsPerSecond) {
  switch (bitsPerSecond) {
    case 4800:
      return "^brp0;";
    case 9600:
      return "^brp1;";
    case 19200:
      return "^brp2;";
    case 38400:
      return "^brp3;";
    default:
      return nullptr;
  }
}
}  // namespace

AppSettings::AppSettings(const Services& services)
    : PersistedSettings(services.store, services.fileSystem),
      services_(services),
      boxes_(services.prompts, dispatch_),
      timers_(services.timers),
      serialPort_(services.serialDevice, services.clock, services.status, boxes_),
      establishContact_(std::make_unique<EstablishContactMachine>(*this)) {}

AppSettings::~AppSettings() {
  displaced_.clear();
  transient_.reset();
  establishContact_.reset();
  serialPort_.Close();
}

void AppSettings::ForgetDevice() {
  if (deviceType.Get() != device_type::kNone) {
    deviceType.Publish(device_type::kNone);
  }
  revision.Publish(0);
  serialNumber.Publish(kUnknownSerialNumber);
  if (deviceState.Get() != device_state::kNotResponding) {
    deviceState.Publish(device_state::kNotResponding);
  }
}

void AppSettings::SetAvailableFirmware(std::uint16_t revision, std::string path) {
  availableFirmwarePath_ = std::move(path);
  availableRevision.Publish(revision);
}

bool AppSettings::IsAmplifierPresent() const {
  if (deviceType.Get() == device_type::kVlx750) {
    return true;
  }
  return deviceType.Get() == device_type::kNone && deviceState.Get() == device_state::kOperating;
}

void AppSettings::Load() {
  LoadSettings();
}

void AppSettings::Save() {
  SaveSettings();
}

void AppSettings::PutInTransientSlot(std::shared_ptr<Machine> machine) {
  if (transient_) {
    if (transient_->IsIdle() && establishContact_->IsIdle()) {
      ReleaseMachine(*transient_);
    } else {
      // It gets no notifications any more; a tick it armed must not reach another machine.
      transient_->KillTimer();
      displaced_.push_back(std::move(transient_));
    }
  }
  transient_ = std::move(machine);
}

void AppSettings::ReleaseMachine(Machine& machine) {
  std::shared_ptr<Machine> released;
  if (transient_.get() == &machine) {
    released = std::move(transient_);
  } else {
    const auto held = std::find_if(displaced_.begin(), displaced_.end(),
                                   [&machine](const auto& held) { return held.get() == &machine; });
    if (held == displaced_.end()) {
      return;
    }
    released = std::move(*held);
    displaced_.erase(held);
  }
  // Its own code may still be on the stack: it goes once the dispatch has returned.
  dispatch_.AfterDispatch([released = std::move(released)] {});
}

void AppSettings::AbortRunningMachines(ErrorCode code) {
  establishContact_->Abort(code);
  if (transient_) {
    transient_->Abort(code);
  }
}

bool AppSettings::ClosePort() {
  serialPort_.Close();
  portOpen.Publish(0);
  return true;
}

bool AppSettings::SetPortSpeed(std::uint32_t bitsPerSecond) {
  if (portOpen.Get() == 0) {
    return false;
  }
  if (serialPort_.Speed() == bitsPerSecond) {
    return true;
  }
  const bool changed = serialPort_.SetSpeed(bitsPerSecond);
  const bool purged = serialPort_.Purge();
  return changed && purged && serialPort_.Speed() == bitsPerSecond;
}

bool AppSettings::SendSpeedCommand(std::uint32_t bitsPerSecond) {
  const char* command = SpeedCommand(bitsPerSecond);
  if (deviceState.Get() != device_state::kOperating || command == nullptr) {
    return false;
  }
  if (!serialPort_.Purge() || !serialPort_.Write(command)) {
    return false;
  }
  services_.clock.Sleep(kSpeedCommandSettleMs);
  return true;
}

void AppSettings::SetDeviceState(std::uint32_t state) {
  const std::uint32_t stored = serialPort_.IsOpen() ? state : device_state::kNotResponding;
  if (stored != deviceState.Get()) {
    deviceState.Publish(stored);
  }
}

}  // namespace vlx
