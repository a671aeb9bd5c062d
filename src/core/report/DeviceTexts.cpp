#include "report/DeviceTexts.h"

#include "model/DeviceFacts.h"
#include "report/LinkTextIds.h"
#include "report/RevisionText.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "report/WindowTextIds.h"

namespace vlx {
std::string ProgramIdentityLine(std::string_view description, const std::uint32_t (&version)[4]) {
  return FormatText(ids::kProgramRevision,
                    {description, version[0], version[1], version[2], version[3]});
}

std::string WindowTitle(const std::string& identityLine, std::uint16_t serialNumber,
                        const std::string& port, bool portOpen, std::uint32_t bitsPerSecond) {
  std::string title = identityLine;
  if (serialNumber != kUnknownSerialNumber) {
    title += FormatText(ids::kSerialNumberSuffix, {serialNumber});
  }
  if (!port.empty()) {
    title += portOpen ? FormatText(ids::kTitlePortOpen, {port, bitsPerSecond})
                      : FormatText(ids::kTitlePortClosed, {port});
  }
  return title;
}

std::string DeviceStateText(std::uint32_t deviceState, std::uint16_t revision,
                            std::uint32_t bitsPerSecond) {
  switch (deviceState) {
    case device_state::kWaitingInLoader:
      return FormatText(ids::kDeviceWaitingInLoader, {kDeviceWord, bitsPerSecond});
    case device_state::kOperating:
      return FormatText(ids::kDeviceRevisionAndSpeed,
                        {kDeviceWord, RevisionText(revision), bitsPerSecond});
    default:
      return FormatText(ids::kDeviceNotResponding, {kDeviceWord});
  }
}

std::string DeviceStatusLine(std::uint32_t deviceState, std::uint16_t revision, bool portOpen,
                             std::uint32_t bitsPerSecond) {
  if (deviceState != device_state::kWaitingInLoader && deviceState != device_state::kOperating &&
      !portOpen) {
    return std::string(LoadString(ids::kSerialPortIsClosed));
  }
  return DeviceStateText(deviceState, revision, bitsPerSecond);
}

}  // namespace vlx
