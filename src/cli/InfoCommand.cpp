#include "InfoCommand.h"

#include <QCoreApplication>
#include <cstdio>

#include "link/EstablishContactMachine.h"
#include "report/ErrorCode.h"
#include "report/ErrorText.h"
#include "report/RevisionText.h"
#include "report/TextFormat.h"

namespace vlx::cli {
namespace {

const char* DeviceTypeName(std::uint32_t type) {
  switch (type) {
    case device_type::kNone:
      return "none";
    case device_type::kRq7:
      return "RQ7";
    case device_type::kVlx750:
      return "VLX750";
    case device_type::kTnr750:
      return "TNR750";
    case device_type::kQmv1200:
      return "QMV1200";
    default:
      return "unknown";
  }
}

const char* DeviceStateName(std::uint32_t state) {
  switch (state) {
    case device_state::kWaitingInLoader:
      return "waiting for power button or firmware load";
    case device_state::kOperating:
      return "operating";
    default:
      return "not responding";
  }
}
}  // namespace

InfoCommand::InfoCommand(const CliOptions& options, SettingsStore& store)
    : options_(options),
      status_(options.verbose),
      prompts_(status_),
      app_(Services{store, files_, device_, timers_, clock_, status_, prompts_}),
      router_(app_),
      portWatch_(app_, timers_) {
  portWatch_.SetLossObserver([this] { OnPortLost(); });
  router_.SetRunEndHandler([this](Machine& machine) {
    if (&machine == &app_.EstablishContact()) {
      OnContactEnded();
    }
  });
  if (options_.port) {
    app_.port.Set(*options_.port);
  } else {
    app_.port.Load(store);
  }
  app_.trace.Set(options_.trace ? 1 : 0);
  deadline_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, [this] { OnTimedOut(); });
}

InfoCommand::~InfoCommand() = default;

void InfoCommand::Start() {
  if (options_.timeoutSeconds) {
    deadline_.start(static_cast<int>(*options_.timeoutSeconds) * 1000);
  }
  BeginContact();
}

void InfoCommand::BeginContact() {
  app_.EstablishContact().BeginTestCommunications();
  if (app_.EstablishContact().IsIdle()) {
    OnContactEnded();  // it ended at once: the port did not open
  }
}

// Without a deadline vlxctl waits for the port as long as it takes; it says so once.
void InfoCommand::OnPortLost() {
  if (!options_.timeoutSeconds) {
    PrintError(WaitingForPortText(app_.port.Get()));
  }
}

void InfoCommand::OnContactEnded() {
  if (portWatch_.IsWatching()) {
    return;  // the port went away; the watch tests it again once it is back
  }
  const ErrorCode error = app_.EstablishContact().Error();
  // A call met the vanished device before the device's own announcement, which is still in the
  // event queue and starts the watch; ending here would make a pulled adapter a failure.
  if (error == err::kDeviceRemoved && app_.portOpen.Get() != 0) {
    return;
  }
  if (error != err::kSuccess) {
    // A port that would not open has had its status line already (in use, or the system's
    // reason); a missing name and failures after the open have not.
    if (error == err::kSerialPortNameMissing) {
      PrintError("vlxctl: " + FormatErrorText(error) +
                 " (give one with --port, or choose it in VLX Utility)");
    } else if (app_.portOpen.Get() != 0) {
      PrintError("vlxctl: " + FormatErrorText(error));
    }
    Finish(exit_code::kFailure);
  } else if (!app_.IsAmplifierPresent()) {
    Finish(exit_code::kFailure);  // the "Unexpected Device" box has said so
  } else {
    PrintDevice();
    Finish(exit_code::kSuccess);
  }
}

void InfoCommand::OnTimedOut() {
  if (finished_) {
    return;
  }
  const std::string seconds = std::to_string(*options_.timeoutSeconds);
  PrintError(portWatch_.IsWatching() ? "vlxctl: port \"" + app_.port.Get() +
                                           "\" did not come back within " + seconds + " s"
                                     : "vlxctl: no VLX750 answered on port \"" + app_.port.Get() +
                                           "\" within " + seconds + " s");
  Finish(exit_code::kFailure);
}

void InfoCommand::PrintDevice() const {
  const std::uint16_t serialNumber = app_.serialNumber.Get();
  std::printf("Port:          %s\n", app_.port.Get().c_str());
  std::printf("Device type:   %s (%u)\n", DeviceTypeName(app_.deviceType.Get()),
              app_.deviceType.Get());
  std::printf("Device state:  %u (%s)\n", app_.deviceState.Get(),
              DeviceStateName(app_.deviceState.Get()));
  std::printf("Revision:      %s\n", RevisionText(app_.revision.Get()).c_str());
  std::printf("Serial number: %s\n", serialNumber == kUnknownSerialNumber
                                         ? "unknown"
                                         : FormatText("%05u", {serialNumber}).c_str());
  std::printf("Line speed:    %u bit/s\n", app_.Serial().Speed());
  std::fflush(stdout);
}

void InfoCommand::Finish(int exitCode) {
  if (finished_) {
    return;
  }
  finished_ = true;
  deadline_.stop();
  app_.EstablishContact().BeginClosePort();
  QCoreApplication::exit(exitCode);
}

}  // namespace vlx::cli
