#pragma once
// The platform's words for system failures the program's own texts cannot explain well, chiefly
// a serial port the user is not allowed to open, the usual first-run snag on Linux.

#include <functional>
#include <optional>
#include <string>

#include "report/ErrorCode.h"
#include "report/ErrorText.h"

namespace vlx {

// Remembers the device the user was last refused and the group that owns it, so that the text of
// kPrivilegeNotHeld, formed later and away from the open, can name both.
void RecordDeviceAccessDenied(const std::string& path, const std::string& group);

// The text for `code`, or empty when the core's own text serves.
std::string PlatformSystemText(ErrorCode code);

// Hooks PlatformSystemText into FormatErrorText, together with the FTP binding's last server
// reply when there is one.
void InstallPlatformErrorTexts(
    std::function<std::optional<FtpLastResponse>()> ftpLastResponse = {});

}  // namespace vlx
