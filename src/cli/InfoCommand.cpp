#include "InfoCommand.h"

#include "JsonOutput.h"
#include "Output.h"
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

void InfoCommand::OnAmplifierFound() {
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
