#include <gtest/gtest.h>

#include "ErrorTexts.h"

namespace vlx {
namespace {

TEST(PlatformSystemTextTest, RefusedPortTextNamesTheDeviceItsGroupAndTheFix) {
  RecordDeviceAccessDenied("/dev/ttyUSB0", "uucp");
  EXPECT_EQ(PlatformSystemText(err::kPrivilegeNotHeld),
            "Permission denied: this user may not open \"/dev/ttyUSB0\". The port belongs to the "
            "group \"uucp\": run \"sudo usermod -aG uucp $USER\", then log out and log in again.");

  RecordDeviceAccessDenied({}, {});
  const std::string generic = PlatformSystemText(err::kPrivilegeNotHeld);
  EXPECT_NE(generic.find("the serial port"), std::string::npos) << generic;
  EXPECT_NE(generic.find("sudo usermod -aG dialout $USER"), std::string::npos) << generic;
}

TEST(PlatformSystemTextTest, LeavesOtherCodesToTheProgramsOwnTexts) {
  for (const ErrorCode code : {err::kFileNotFound, err::kAccessDenied, err::kDeviceRemoved}) {
    EXPECT_EQ(PlatformSystemText(code), "") << code;
  }
}

TEST(PlatformSystemTextTest, InstalledAlongsideTheFtpReplyHook) {
  RecordDeviceAccessDenied("/dev/ttyS0", "dialout");
  InstallPlatformErrorTexts([] { return std::optional<FtpLastResponse>({550, "No such file"}); });
  EXPECT_EQ(FormatErrorText(err::kPrivilegeNotHeld), PlatformSystemText(err::kPrivilegeNotHeld));
  EXPECT_NE(FormatErrorText(err::kFileNotFound), "");
  EXPECT_NE(FormatErrorText(err::kFtpExtendedError).find("No such file"), std::string::npos);
  InstallErrorTextSources({});
}

}  // namespace
}  // namespace vlx
