#include "ErrorTexts.h"

#include <mutex>
#include <utility>

namespace vlx {
namespace {

// Most distributions hand serial ports to this group.
constexpr char kUsualPortGroup[] = "dialout";

struct DeniedDevice {
  std::mutex mutex;
  std::string path;
  std::string group;
};

DeniedDevice& LastDeniedDevice() {
  static DeniedDevice denied;
  return denied;
}

std::string PrivilegeNotHeldText() {
  DeniedDevice& denied = LastDeniedDevice();
  std::string path;
  std::string group;
  {
    std::lock_guard lock(denied.mutex);
    path = denied.path;
    group = denied.group;
  }
  const std::string device = path.empty() ? "the serial port" : "\"" + path + "\"";
  const std::string owner =
      group.empty()
          ? std::string("Serial ports usually belong to the group \"") + kUsualPortGroup + "\""
          : "The port belongs to the group \"" + group + "\"";
  const std::string fixGroup = group.empty() ? kUsualPortGroup : group;
  return "Permission denied: this user may not open " + device + ". " + owner +
         ": run \"sudo usermod -aG " + fixGroup + " $USER\", then log out and log in again.";
}

}  // namespace

void RecordDeviceAccessDenied(const std::string& path, const std::string& group) {
  DeniedDevice& denied = LastDeniedDevice();
  std::lock_guard lock(denied.mutex);
  denied.path = path;
  denied.group = group;
}

std::string PlatformSystemText(ErrorCode code) {
  if (code == err::kPrivilegeNotHeld) {
    return PrivilegeNotHeldText();
  }
  return {};
}

void InstallPlatformErrorTexts(std::function<std::optional<FtpLastResponse>()> ftpLastResponse) {
  InstallErrorTextSources({&PlatformSystemText, std::move(ftpLastResponse)});
}

}  // namespace vlx
