#include "InfoCommand.h"

#include "JsonOutput.h"
#include "Output.h"
#include "model/AppSettings.h"
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

InfoCommand::InfoCommand(const CliOptions& options, SettingsStore& store,
                         std::string unfinishedLoadPort)
    : ContactSession(options, store), unfinishedLoadPort_(std::move(unfinishedLoadPort)) {
  silence_.setSingleShot(true);
  connect(&silence_, &QTimer::timeout, this, [this] { AdviseNewLoad(); });
}

void InfoCommand::Start() {
  // One round of the search over every line speed takes 1.6 s; by then an amplifier that
  // operates, or waits in its loader after a power cycle, has answered.
  constexpr int kSilenceMs = 2000;
  if (!unfinishedLoadPort_.empty() && unfinishedLoadPort_ == App().port.Get()) {
    silence_.start(kSilenceMs);
  }
  ContactSession::Start();
}

void InfoCommand::OnNoAnswerInTime() {
  AdviseNewLoad();
}

void InfoCommand::AdviseNewLoad() {
  if (advised_ || !Searching() || unfinishedLoadPort_ != App().port.Get() ||
      App().deviceType.Get() != device_type::kNone) {
    return;
  }
  advised_ = true;
  PrintError(
      "vlxctl: the last firmware load on this port did not finish: a VLX750 left in its loader "
      "answers nothing until it is switched off and on again; then load the firmware again");
}

void InfoCommand::OnAmplifierFound() {
  silence_.stop();
  PrintDevice();
  Finish(exit_code::kSuccess);
}

void InfoCommand::PrintDevice() {
  const std::uint16_t serialNumber = App().serialNumber.Get();
  if (Options().json) {
    WriteJson({{"port", JsonText(App().port.Get())},
               {"deviceType", static_cast<int>(App().deviceType.Get())},
               {"deviceTypeName", DeviceTypeName(App().deviceType.Get())},
               {"deviceState", static_cast<int>(App().deviceState.Get())},
               {"deviceStateName", DeviceStateName(App().deviceState.Get())},
               {"revision", JsonText(RevisionText(App().revision.Get()))},
               {"serialNumber", serialNumber == kUnknownSerialNumber
                                    ? QJsonValue()
                                    : QJsonValue(static_cast<int>(serialNumber))},
               {"lineSpeed", static_cast<qint64>(App().Serial().Speed())}});
    return;
  }
  PrintOutput("Port:          %s\n", App().port.Get().c_str());
  PrintOutput("Device type:   %s (%u)\n", DeviceTypeName(App().deviceType.Get()),
              App().deviceType.Get());
  PrintOutput("Device state:  %u (%s)\n", App().deviceState.Get(),
              DeviceStateName(App().deviceState.Get()));
  PrintOutput("Revision:      %s\n", RevisionText(App().revision.Get()).c_str());
  PrintOutput("Serial number: %s\n", serialNumber == kUnknownSerialNumber
                                         ? "unknown"
                                         : FormatText("%05u", {serialNumber}).c_str());
  PrintOutput("Line speed:    %u bit/s\n", App().Serial().Speed());
}

}  // namespace vlx::cli
