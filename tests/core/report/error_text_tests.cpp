#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "report/ErrorCode.h"
#include "report/ErrorText.h"

namespace vlx {
namespace {

// The system's words are process-wide; every test leaves them empty again.
class ErrorTextTest : public ::testing::Test {
 protected:
  void TearDown() override { InstallSystemErrorTexts({}); }

  // A system that has words for every code, so a lookup that wrongly asks it shows.
  static void InstallTalkativeSystem() {
    InstallSystemErrorTexts(
        [](ErrorCode code) { return "system text " + std::to_string(code) + "\r\n"; });
  }
};

TEST_F(ErrorTextTest, ProgramCodesComeFromTheMessageTableWithoutLineBreak) {
  InstallTalkativeSystem();
  EXPECT_EQ(FormatErrorText(err::kNoResponseToSemicolonPoll), "No response to semicolon poll");
  EXPECT_EQ(FormatErrorText(err::kChecksumWordZero),
            "The computed checksum reconciliation word is zero");
  EXPECT_EQ(FormatErrorText(err::kUnexpectedDevice), "Unexpected device (e.g. R9 vs RQ7)");
  EXPECT_EQ(FormatErrorText(err::kNoResponseToPowerSwrQuery),
            "No response to Power/SWR query (^WS)");
}

TEST_F(ErrorTextTest, UnknownProgramCodeIsEmptyNeverASystemText) {
  InstallTalkativeSystem();
  for (ErrorCode code : {0xE2000000u, 0xE2000050u, 0xA2000049u, 0x22000049u, 0xE2000313u}) {
    EXPECT_EQ(FormatErrorText(code), "") << std::hex << code;
  }
}

TEST_F(ErrorTextTest, SystemCodesPreferThePlatformThenTheBuiltInWords) {
  EXPECT_EQ(FormatErrorText(err::kAccessDenied), "Access is denied.");
  EXPECT_EQ(FormatErrorText(err::kCancelled), "The operation was canceled by the user.");
  EXPECT_EQ(FormatErrorText(err::kDeviceRemoved), "The device has been removed.");
  EXPECT_EQ(FormatErrorText(4711), "");

  InstallTalkativeSystem();
  EXPECT_EQ(FormatErrorText(err::kAccessDenied), "system text 5");
  EXPECT_EQ(FormatErrorText(0x80070005), "system text 2147942405");

  InstallSystemErrorTexts([](ErrorCode) { return std::string(); });
  EXPECT_EQ(FormatErrorText(err::kFileNotFound), "The system cannot find the file specified.");
}

TEST_F(ErrorTextTest, OnlyTheTrailingRunOfLineBreaksIsRemoved) {
  InstallSystemErrorTexts([](ErrorCode code) -> std::string {
    return code == 1 ? "first\r\nsecond\n\r\r\n" : "\r\n\n";
  });
  EXPECT_EQ(FormatErrorText(1), "first\r\nsecond");
  EXPECT_EQ(FormatErrorText(2), "");
}

TEST_F(ErrorTextTest, FtpCodesUseTheirOwnWordsThenThePlatform) {
  EXPECT_EQ(FormatErrorText(12029), "A connection with the server could not be established");
  EXPECT_EQ(FormatErrorText(12174), "");
  InstallTalkativeSystem();
  EXPECT_EQ(FormatErrorText(12007), "The server name or address could not be resolved");
  EXPECT_EQ(FormatErrorText(12174), "system text 12174");
}

TEST_F(ErrorTextTest, ExtendedFtpErrorQuotesTheReplyItsCallerPasses) {
  EXPECT_EQ(FormatErrorText(err::kFtpExtendedError, {123, "550 No such file"}),
            "The server returned extended information\r\n"
            "InternetGetLastResponseInfo returns 0x0000007B 550 No such file");
  // Without a reply the suffix is still there, with 0 and no text.
  const std::string expected =
      "The server returned extended information\r\nInternetGetLastResponseInfo returns 0x00000000 ";
  EXPECT_EQ(FormatErrorText(err::kFtpExtendedError), expected);
  EXPECT_EQ(FormatErrorText(err::kFtpExtendedError, {}), expected);
  // Only that code carries a reply.
  EXPECT_EQ(FormatErrorText(12029, {123, "550 No such file"}),
            "A connection with the server could not be established");
}

TEST_F(ErrorTextTest, AFailingSystemSourceCountsAsSilent) {
  InstallSystemErrorTexts([](ErrorCode) -> std::string { throw std::runtime_error("boom"); });
  EXPECT_EQ(FormatErrorText(err::kInvalidParameter), "The parameter is incorrect.");
  EXPECT_EQ(FormatErrorText(4711), "");
}

TEST_F(ErrorTextTest, LinuxFailuresHaveTextsOfTheirOwn) {
  InstallTalkativeSystem();
  EXPECT_EQ(FormatErrorText(err::kNotASerialPort), "The file or device is not a serial port");
  InstallSystemErrorTexts({});
  EXPECT_EQ(FormatErrorText(err::kFilenameTooLong), "The filename or extension is too long.");
  EXPECT_EQ(FormatErrorText(err::kPathNotFound), "The system cannot find the path specified.");
  EXPECT_EQ(FormatErrorText(err::kDiskFull), "There is not enough space on the disk.");
}

// A C library error without a system code keeps the library's own words, never a number alone.
TEST_F(ErrorTextTest, ErrnoCodesCarryTheLibrarysText) {
  InstallTalkativeSystem();
  EXPECT_EQ(err::FromErrno(EROFS), err::kErrnoFirst + EROFS);
  // The library's text lives in a buffer its next call may free: take a copy first.
  const std::string readOnly = std::strerror(EROFS);
  EXPECT_EQ(FormatErrorText(err::FromErrno(EROFS)), readOnly);
  const std::string unknown = std::strerror(4000);
  EXPECT_EQ(FormatErrorText(err::FromErrno(4000)), unknown);
  EXPECT_NE(FormatErrorText(err::kErrnoLast), "");
  EXPECT_EQ(err::FromErrno(0), err::kGenFailure);
  EXPECT_EQ(err::FromErrno(0x1000), err::kGenFailure);
}

}  // namespace
}  // namespace vlx
