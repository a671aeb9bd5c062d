#pragma once
// One unsigned 32-bit error code type for the whole program: system codes keep their Windows
// numbers, FTP failures use 12000..12174, and the program's own codes carry facility 0x200.

#include <cstdint>

namespace vlx {

using ErrorCode = std::uint32_t;

namespace err {
// System codes the program tells apart (platform code maps errno and toolkit errors onto them).
constexpr ErrorCode kSuccess = 0;
constexpr ErrorCode kFileNotFound = 2;
// A folder on the way to the file is missing.
constexpr ErrorCode kPathNotFound = 3;
constexpr ErrorCode kAccessDenied = 5;
constexpr ErrorCode kInvalidHandle = 6;
constexpr ErrorCode kInvalidData = 13;
constexpr ErrorCode kOutOfMemory = 14;
constexpr ErrorCode kNoMoreFiles = 18;
constexpr ErrorCode kWriteFault = 29;
constexpr ErrorCode kReadFault = 30;
constexpr ErrorCode kGenFailure = 31;
constexpr ErrorCode kInvalidParameter = 87;
constexpr ErrorCode kDiskFull = 112;
constexpr ErrorCode kInsufficientBuffer = 122;
constexpr ErrorCode kAlreadyExists = 183;
constexpr ErrorCode kFilenameTooLong = 206;
// A file is bigger than the program accepts for its kind.
constexpr ErrorCode kFileTooLarge = 223;
constexpr ErrorCode kMoreData = 234;
constexpr ErrorCode kOperationAborted = 995;
constexpr ErrorCode kCancelled = 1223;
// The user may not open the device (Linux: not a member of the device's group).
constexpr ErrorCode kPrivilegeNotHeld = 1314;
// The device went away while open (a USB adapter pulled out).
constexpr ErrorCode kDeviceRemoved = 1617;

// FTP failures (the WinINet numbering).
constexpr ErrorCode kFtpFirst = 12000;
constexpr ErrorCode kFtpLast = 12174;
constexpr ErrorCode kFtpExtendedError = 12003;

// The program's own message-table codes.
constexpr ErrorCode kChecksumWordZero = 0xA2000047;
constexpr ErrorCode kNoResponseToFirmwarePacketWarning = 0xA200004A;
constexpr ErrorCode kUnexpectedHexCharacter = 0xE200000B;
constexpr ErrorCode kInvalidEepromAddress = 0xE200000C;
constexpr ErrorCode kNoResponseToRevisionQuery = 0xE200000D;
constexpr ErrorCode kSerialPortNameMissing = 0xE200000F;
constexpr ErrorCode kHexMissingColon = 0xE2000020;
constexpr ErrorCode kHexUnknownRecordType = 0xE2000021;
constexpr ErrorCode kHexLineChecksum = 0xE2000022;
constexpr ErrorCode kHexMissingEndOfFile = 0xE2000023;
constexpr ErrorCode kHexEarlyEndOfFile = 0xE2000024;
constexpr ErrorCode kIncompleteConfigurationFile = 0xE2000030;
constexpr ErrorCode kCorruptConfigurationFile = 0xE2000031;
constexpr ErrorCode kHexDataRecordLength = 0xE2000040;
constexpr ErrorCode kHexFileChecksumNotZero = 0xE2000041;
constexpr ErrorCode kLoaderNoDots = 0xE2000042;
constexpr ErrorCode kLoaderNoD = 0xE2000043;
constexpr ErrorCode kRetryLimitExhausted = 0xE2000044;
constexpr ErrorCode kNoResponseAfterReset = 0xE2000045;
constexpr ErrorCode kRevisionVerificationFailed = 0xE2000046;
constexpr ErrorCode kNoResponseWhileSynchronizing = 0xE2000048;
constexpr ErrorCode kNoResponseToSemicolonPoll = 0xE2000049;
constexpr ErrorCode kNoResponseToFirmwarePacket = 0xE200004B;
constexpr ErrorCode kUnexpectedDevice = 0xE200004E;
constexpr ErrorCode kNoResponseToReadEepromBlock = 0xE200010F;
constexpr ErrorCode kNoResponseToWriteEepromBlock = 0xE2000112;
constexpr ErrorCode kNoResponseToBandQuery = 0xE2000300;
constexpr ErrorCode kNoResponseToFaultQuery = 0xE2000303;
constexpr ErrorCode kNoResponseToOperateQuery = 0xE2000306;
constexpr ErrorCode kNoResponseToSerialNumberQuery = 0xE2000309;
constexpr ErrorCode kNoResponseToTemperatureQuery = 0xE200030C;
constexpr ErrorCode kNoResponseToVoltageCurrentQuery = 0xE200030F;
constexpr ErrorCode kNoResponseToPowerSwrQuery = 0xE2000312;
// The port name leads to something that is no terminal: a folder, a plain file, /dev/null.
constexpr ErrorCode kNotASerialPort = 0xE2000400;

// A C library error number that has no system code of its own travels as a program code of this
// block (0xE2001000 + the number), so its text is still the library's and never a bare number.
constexpr ErrorCode kErrnoFirst = 0xE2001000;
constexpr ErrorCode kErrnoLast = 0xE2001FFF;
constexpr bool IsErrnoCode(ErrorCode code) {
  return code >= kErrnoFirst && code <= kErrnoLast;
}
// Numbers beyond the block (none exist on the platforms we know) fall back to a general failure.
constexpr ErrorCode FromErrno(int number) {
  return number > 0 && static_cast<ErrorCode>(number) <= kErrnoLast - kErrnoFirst
             ? kErrnoFirst + static_cast<ErrorCode>(number)
             : kGenFailure;
}
constexpr int ErrnoOf(ErrorCode code) {
  return static_cast<int>(code - kErrnoFirst);
}
}  // namespace err

}  // namespace vlx
