#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ErrorTexts.h"
#include "report/ErrorText.h"

namespace vlx {
namespace {

// Advice names a group to join only where joining it would let the user in, and never root's.
TEST(DeniedDeviceTextTest, NamesAGroupOnlyWhenItMayReadAndWriteTheDevice) {
  struct Case {
    const char* what;
    std::optional<DeviceOwnership> ownership;
    std::string text;
  };
  const Case cases[] = {
      {"group may read and write", DeviceOwnership{"root", "dialout", 20, S_IFCHR | 0660},
       "Permission denied: this user may not open \"/dev/ttyUSB0\". Its group \"dialout\" may "
       "read and write it: run \"sudo usermod -aG dialout $USER\", then log out and log in "
       "again."},
      {"group may only read", DeviceOwnership{"root", "dialout", 20, S_IFCHR | 0640},
       "Permission denied: \"/dev/ttyUSB0\" is not accessible to this user. It belongs to user "
       "\"root\" and group \"dialout\" with mode crw-r----- (0640)."},
      {"group root", DeviceOwnership{"root", "root", 0, S_IFCHR | 0660},
       "Permission denied: \"/dev/ttyUSB0\" is not accessible to this user. It belongs to user "
       "\"root\" and group \"root\" with mode crw-rw---- (0660)."},
      {"owner unknown", std::nullopt,
       "Permission denied: \"/dev/ttyUSB0\" is not accessible to this user."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DeniedDeviceText("/dev/ttyUSB0", c.ownership), c.text);
  }
}

TEST(PlatformSystemTextTest, ExplainsTheLastRefusedDeviceAndLeavesOtherCodesAlone) {
  const DeviceOwnership uucp{"root", "uucp", 10, S_IFCHR | 0660};
  RecordDeviceAccessDenied("/dev/ttyS0", uucp);
  InstallPlatformErrorTexts();
  EXPECT_EQ(FormatErrorText(err::kPrivilegeNotHeld), DeniedDeviceText("/dev/ttyS0", uucp));
  for (const ErrorCode code : {err::kFileNotFound, err::kAccessDenied, err::kDeviceRemoved}) {
    EXPECT_EQ(PlatformSystemText(code), "") << code;
  }
  EXPECT_EQ(FormatErrorText(err::kAccessDenied), "Access is denied.");

  RecordDeviceAccessDenied({}, std::nullopt);
  EXPECT_EQ(PlatformSystemText(err::kPrivilegeNotHeld),
            "Permission denied: the serial port is not accessible to this user.");
  InstallSystemErrorTexts({});
}

}  // namespace
}  // namespace vlx
