#pragma once
// The string-table ids of the firmware load, the Firmware page and its dialogs.

#include <cstdint>

namespace vlx::ids {

// Firmware load.
constexpr std::uint32_t kDeviceName = 179;  // "VLX750"
constexpr std::uint32_t kRecordBelowImage =
    1100;  // "record at line %u starts below 0x000800; ignored"
constexpr std::uint32_t kMoreRecordsBelowImage = 1101;  // "%u more records start below 0x000800"
constexpr std::uint32_t kPacketNoAnswer = 1102;   // "Packet at 0x%06X: no answer, retry %u of %u"
constexpr std::uint32_t kPacketRejected = 1103;   // "Packet at 0x%06X: rejected, retry %u of %u"
constexpr std::uint32_t kResynchronising = 1104;  // "Resynchronising with the loader"
constexpr std::uint32_t kSendingFirmwareFile = 158;  // "Sending firmware file %s to %s"
constexpr std::uint32_t kLoaderDidNotEcho = 167;
constexpr std::uint32_t kRetrySuccessfulWithFill = 360;
constexpr std::uint32_t kRetrySuccessful = 419;
constexpr std::uint32_t kSendFirmwareFailedAt = 274;
constexpr std::uint32_t kWaitingForReset = 161;
constexpr std::uint32_t kRevisionComparison = 129;
constexpr std::uint32_t kCancelledBeforeTransfer = 1120;
constexpr std::uint32_t kRemovePowerAndRetry = 1121;  // "Remove power and retry firmware load"
constexpr std::uint32_t kFirmwareLoadAbandoned = 1122;
// Firmware page and release notes.
constexpr std::uint32_t kFirmwareMissing = 163;  // "Missing"
constexpr std::uint32_t kFirmwareFileNotInFolder = 234;
constexpr std::uint32_t kBrowseFirmwareFolderTitle = 186;
constexpr std::uint32_t kFirmwareFileMissing = 138;  // "A required firmware file is missing"
constexpr std::uint32_t kSendingFirmwareFrom = 244;  // "Sending firmware from %s"
constexpr std::uint32_t kElapsedTime = 291;          // "Elapsed time: %u seconds"
constexpr std::uint32_t kChangeSpeed = 174;          // "Change RS-232 speed to %u bit/s"
constexpr std::uint32_t kUnableToOpenReleaseNotes = 385;
constexpr std::uint32_t kReleaseNotesErrorCaption = 212;  // "Release Notes Error"
constexpr std::uint32_t kReleaseNotesNotFound = 213;
constexpr std::uint32_t kTipBrowseFirmwareFolder = 332;
constexpr std::uint32_t kTipDefaultFirmwareFolder = 333;
constexpr std::uint32_t kTipSendFirmware = 335;  // "Sends firmware to VLX"
constexpr std::uint32_t kTipCopyNewFiles = 336;
constexpr std::uint32_t kTipCheckRevision = 337;
// Sending Firmware dialog.
constexpr std::uint32_t kSendingFirmwareTitle = 369;  // "Sending %s Firmware"
constexpr std::uint32_t kTotalRetries = 306;          // "Total number of retries was %u"
constexpr std::uint32_t kHighestRetries = 359;
constexpr std::uint32_t kFirmwareLoadComplete = 160;      // "%s firmware load is complete"
constexpr std::uint32_t kVerificationFailedReload = 155;  // "%s verification failed. Reload %s."
constexpr std::uint32_t kConfirmCloseDuringLoad = 226;

}  // namespace vlx::ids
