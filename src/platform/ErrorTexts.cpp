#include "ErrorTexts.h"

#include <sys/stat.h>

#include <cstdio>
#include <mutex>

#include "report/ErrorText.h"

namespace vlx {
namespace {

constexpr char kSuperuserGroup[] = "root";

struct DeniedDevice {
  std::mutex mutex;
  std::string device;
  std::optional<DeviceOwnership> ownership;
};

DeniedDevice& LastDeniedDevice() {
  static DeniedDevice denied;
  return denied;
}

bool GroupMayReadAndWrite(std::uint32_t mode) {
  return (mode & S_IRGRP) != 0 && (mode & S_IWGRP) != 0;
}

// "crw-rw---- (0660)", as ls shows it, with the octal form chmod takes.
std::string ModeText(std::uint32_t mode) {
  std::string text(1, S_ISCHR(mode) ? 'c' : S_ISDIR(mode) ? 'd' : S_ISBLK(mode) ? 'b' : '-');
  const char letters[] = "rwx";
  for (int bit = 8; bit >= 0; --bit) {
    text.push_back((mode & (1u << bit)) != 0 ? letters[(8 - bit) % 3] : '-');
  }
  char octal[16];
  std::snprintf(octal, sizeof octal, " (%04o)", mode & 07777);
  return text + octal;
}

}  // namespace

std::string DeniedDeviceText(const std::string& device,
                             const std::optional<DeviceOwnership>& ownership) {
  const std::string quoted = device.empty() ? "the serial port" : "\"" + device + "\"";
  if (!ownership) {
    return "Permission denied: " + quoted + " is not accessible to this user.";
  }
  // A group is worth joining only when its mode bits let it read and write the device, and never
  // when it is the superuser's: joining that one would be poor advice.
  if (GroupMayReadAndWrite(ownership->mode) && ownership->groupId != 0 &&
      !ownership->group.empty() && ownership->group != kSuperuserGroup) {
    return "Permission denied: this user may not open " + quoted + ". Its group \"" +
           ownership->group + "\" may read and write it: run \"sudo usermod -aG " +
           ownership->group + " $USER\", then log out and log in again.";
  }
  return "Permission denied: " + quoted + " is not accessible to this user. It belongs to user \"" +
         ownership->user + "\" and group \"" + ownership->group + "\" with mode " +
         ModeText(ownership->mode) + ".";
}

void RecordDeviceAccessDenied(const std::string& device,
                              const std::optional<DeviceOwnership>& ownership) {
  DeniedDevice& denied = LastDeniedDevice();
  std::lock_guard lock(denied.mutex);
  denied.device = device;
  denied.ownership = ownership;
}

std::string PlatformSystemText(ErrorCode code) {
  if (code != err::kPrivilegeNotHeld) {
    return {};
  }
  DeniedDevice& denied = LastDeniedDevice();
  std::lock_guard lock(denied.mutex);
  return DeniedDeviceText(denied.device, denied.ownership);
}

void InstallPlatformErrorTexts() {
  InstallSystemErrorTexts(&PlatformSystemText);
}

}  // namespace vlx
