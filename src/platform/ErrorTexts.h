#pragma once
// The platform's words for system failures the program's own texts cannot explain well, chiefly
// a serial port the user is not allowed to open, the usual first-run snag on Linux.

#include <cstdint>
#include <optional>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

// Who owns a device node and what its mode bits allow.
struct DeviceOwnership {
  std::string user;
  std::string group;
  std::uint32_t groupId = 0;
  std::uint32_t mode = 0;  // st_mode: file type and permission bits
};

// The advice for a device this user may not open: the group to join where that would help, else
// the owner and the mode for whoever administers the machine; only that it is not accessible when
// the device could not even be looked at.
std::string DeniedDeviceText(const std::string& device,
                             const std::optional<DeviceOwnership>& ownership);

// Remembers the device the user was last refused, so that the text of kPrivilegeNotHeld, formed
// later and away from the open, can explain it.
void RecordDeviceAccessDenied(const std::string& device,
                              const std::optional<DeviceOwnership>& ownership);

// The text for `code`, or empty when the core's own text serves.
std::string PlatformSystemText(ErrorCode code);

// Makes PlatformSystemText the system-text source of FormatErrorText; called once at start-up.
void InstallPlatformErrorTexts();

}  // namespace vlx
