#include "link/SerialPort.h"

#include "link/Clock.h"
#include "link/PortLossHandler.h"
#include "link/SerialEvents.h"
#include "report/ErrorText.h"
#include "report/FailureReport.h"
#include "report/LinkTextIds.h"
#include "report/ReportTextIds.h"
#include "report/StatusSink.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {
// The line needs a moment after its settings change before bytes at the new rate are safe.
constexpr std::uint32_t kLineSettleMs = 50;
}  // namespace

SerialPort::SerialPort(SerialDevice& device, Clock& clock, StatusSink& status, Prompts& prompts)
    : device_(device), clock_(clock), status_(status), prompts_(prompts) {
  device_.SetEvents(this);
}

SerialPort::~SerialPort() {
  Close();
  device_.SetEvents(nullptr);
}

bool SerialPort::IsSupportedRate(std::uint32_t bitsPerSecond) {
  return bitsPerSecond == 4800 || bitsPerSecond == 9600 || bitsPerSecond == 19200 ||
         bitsPerSecond == 38400;
}

bool SerialPort::Open(const std::string& name) {
  if (open_) {
    return true;
  }
  name_ = name;
  if (name.empty()) {
    lastError_ = err::kSerialPortNameMissing;
    return false;
  }
  const OpenOutcome outcome = device_.Open(name);
  if (outcome.code != err::kSuccess && outcome.failedCall.empty()) {
    lastError_ = outcome.code;
    return false;
  }
  open_ = true;
  lost_ = false;
  speed_ = kOpeningBitRate;
  // The line settles after its settings were applied, whether they took or not.
  clock_.Sleep(kLineSettleMs);
  if (outcome.code != err::kSuccess) {
    // Reported while the device is still open, so that the line's error flags are told too.
    lastError_ = outcome.code;
    ReportFailure(outcome.failedCall, outcome.code);
    Close();
    return false;
  }
  return true;
}

bool SerialPort::Close() {
  if (open_) {
    device_.Close();
    open_ = false;
    lost_ = false;
  }
  return true;
}

bool SerialPort::CheckOpen() {
  if (!open_) {
    lastError_ = err::kInvalidHandle;
    return false;
  }
  return true;
}

bool SerialPort::Read(std::uint8_t& byte, std::size_t& count) {
  return Read(&byte, 1, count);
}

bool SerialPort::Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count) {
  count = 0;
  return CheckOpen() && Succeeded(device_.Read(buffer, maxCount, count), "ReadFile");
}

bool SerialPort::Write(std::string_view bytes) {
  if (!CheckOpen()) {
    return false;
  }
  std::size_t written = 0;
  if (!Succeeded(device_.Write(bytes, written), "WriteFile")) {
    return false;
  }
  if (written != bytes.size()) {
    lastError_ = err::kWriteFault;
    return false;
  }
  return true;
}

bool SerialPort::Purge() {
  return CheckOpen() && Succeeded(device_.PurgeReceive(), "PurgeComm");
}

bool SerialPort::SetSpeed(std::uint32_t bitsPerSecond) {
  if (!CheckOpen() || !IsSupportedRate(bitsPerSecond)) {
    return false;
  }
  if (bitsPerSecond == speed_) {
    return true;
  }
  clock_.Sleep(kLineSettleMs);
  const bool changed = Succeeded(device_.SetRate(bitsPerSecond), kSetCommState);
  if (changed) {
    speed_ = bitsPerSecond;
  }
  clock_.Sleep(kLineSettleMs);
  return changed;
}

bool SerialPort::Succeeded(ErrorCode code, std::string_view operation) {
  if (code == err::kSuccess) {
    return true;
  }
  lastError_ = code;
  // Once the adapter has been pulled out every call fails the same way; the loss itself was
  // already announced, so a box per call would only bury the user.
  if (code != err::kDeviceRemoved && !lost_) {
    ReportFailure(operation, code);
  }
  return false;
}

// The failure goes to the status line and a box; then, while the port is open, the line's error
// flags are read (and so cleared) and told on the status line.
void SerialPort::ReportFailure(std::string_view operation, ErrorCode code) {
  vlx::ReportFailure(status_, prompts_, ids::kComPortErrorCaption, ids::kOperationFailedOn,
                     {operation, name_, code, FormatErrorText(code)});
  if (!open_ || code == err::kAccessDenied) {
    return;
  }
  std::uint32_t flags = 0;
  const ErrorCode clearError = device_.ClearLineErrors(flags);
  if (clearError == err::kSuccess) {
    status_.StatusText(FormatText("ClearCommError dwErrors 0x%04X", {flags}));
  } else {
    status_.StatusText(FormatText(ids::kOperationFailedOn, {"ClearCommError", name_, clearError,
                                                            FormatErrorText(clearError)}));
  }
}

void SerialPort::OnCharactersReceived() {
  if (events_ != nullptr) {
    events_->OnSerialEvent();
  }
}

void SerialPort::OnDeviceLost() {
  lost_ = true;
  if (lossHandler_ != nullptr) {
    lossHandler_->OnPortLost();
  }
}

}  // namespace vlx
