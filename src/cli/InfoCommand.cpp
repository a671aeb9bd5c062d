#include "InfoCommand.h"

#include <QCoreApplication>
#include <cstdio>

#include "link/EstablishContactMachine.h"
#include "report/ErrorText.h"
#include "report/RevisionText.h"
#include "report/StringTable.h"
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
    PrintError("vlxctl: waiting for port \"" + app_.port.Get() + "\" to come back");
  }
}

void InfoCommand::OnContactEnded() {
  if (portWatch_.IsWatching()) {
    return;  // the port went away; the watch tests it again once it is back
  }
  const ErrorCode error = app_.EstablishContact().Error();
  PrintDevice();
  if (error != err::kSuccess) {
    PrintError("vlxctl: " + FormatErrorText(error));
    Finish(1);
  } else if (app_.deviceType.Get() != device_type::kVlx750 ||
             app_.deviceState.Get() == device_state::kNotResponding) {
    PrintError("vlxctl: " + std::string(LoadString(ids::kUnexpectedDeviceText)));
    Finish(1);
  } else {
    Finish(0);
  }
}

void InfoCommand::OnTimedOut() {
  if (finished_) {
    return;
  }
  const std::string within = " within " + std::to_string(*options_.timeoutSeconds) + " s";
  if (portWatch_.IsWatching()) {
    PrintError("vlxctl: port \"" + app_.port.Get() + "\" went away and did not come back" + within);
  } else {
    PrintError("vlxctl: no VLX750 answered on port \"" + app_.port.Get() + "\"" + within);
  }
  Finish(1);
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
