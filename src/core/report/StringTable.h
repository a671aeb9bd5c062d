#pragma once
// Every numbered user-visible text of the program, by its string-table id.

#include <cstdint>
#include <string_view>

namespace vlx {

// The text with the given id; empty when there is none.
std::string_view LoadString(std::uint32_t id);

namespace ids {
// Main window.
constexpr std::uint32_t kAppTitle = 128;         // "Velqorin VLX Utility"
constexpr std::uint32_t kProgramRevision = 444;  // "%s Revision %u.%u.%u.%u"
constexpr std::uint32_t kTitlePortClosed = 431;  // " on %s closed"
constexpr std::uint32_t kTitlePortOpen = 432;    // " on %s at %u bit/s"
constexpr std::uint32_t kDeviceWaitingInLoader = 139;
constexpr std::uint32_t kDeviceRevisionAndSpeed = 140;
constexpr std::uint32_t kDeviceNotResponding = 141;  // "%s is not responding"
constexpr std::uint32_t kSerialPortIsClosed = 374;   // "Serial Port is closed"
constexpr std::uint32_t kOsVersion = 318;            // "OS Version %u.%u Build %u "
// Device link.
constexpr std::uint32_t kSerialPortClosed = 148;   // "Serial port %s is closed"
constexpr std::uint32_t kSerialPortOpen = 375;     // "Serial Port %s is open"
constexpr std::uint32_t kOpeningSerialPort = 377;  // "Opening Serial Port %s"
constexpr std::uint32_t kPortUsedByAnother = 383;
constexpr std::uint32_t kUnableToOpenPort = 384;
constexpr std::uint32_t kAttemptingContact = 235;
constexpr std::uint32_t kUnexpectedDeviceText = 173;
constexpr std::uint32_t kUnexpectedDeviceCaption = 159;
constexpr std::uint32_t kComPortErrorCaption = 178;
constexpr std::uint32_t kSerialPortLost = 1000;       // "Serial port %s is no longer available: %s"
constexpr std::uint32_t kRevisionUnknown = 149;       // "??.??"
constexpr std::uint32_t kRevisionNotAvailable = 151;  // " N/A "
constexpr std::uint32_t kRevisionLoading = 358;       // "Loading"
constexpr std::uint32_t kSerialNumberSuffix = 430;    // " - S/N %05u"
// Port page.
constexpr std::uint32_t kDeviceStatusCaption = 142;  // "VLX Status"
constexpr std::uint32_t kChooseSerialPort = 199;
constexpr std::uint32_t kSelectSerialPortCaption = 200;  // "Select a Serial Port"
constexpr std::uint32_t kTipRefreshPortList = 266;
constexpr std::uint32_t kTipTestCommunications = 267;
constexpr std::uint32_t kTipPortList = 268;
constexpr std::uint32_t kTipClosePort = 372;
// Reporting.
constexpr std::uint32_t kOperationFailedOn = 204;
constexpr std::uint32_t kCompletedWithError = 209;
constexpr std::uint32_t kErrorCodeText = 445;     // "Error code 0x%08X: %s"
constexpr std::uint32_t kLineErrorCode = 250;     // "Line %u, error code 0x%08X: %s"
constexpr std::uint32_t kErrorCaption = 135;      // "Error"
constexpr std::uint32_t kHelpErrorCaption = 203;  // "Help Error"
constexpr std::uint32_t kReady = 57345;           // "Ready"
constexpr std::uint32_t kClose = 248;             // "Close"
constexpr std::uint32_t kClickCloseToClose = 426;
constexpr std::uint32_t kCriticalOperationCaption = 225;  // "Critical Operation in Progress"
// Settings and folders.
constexpr std::uint32_t kMacroCaption = 297;  // "Macro %u"
constexpr std::uint32_t kFolderMissingAsk = 433;
constexpr std::uint32_t kCreateFolderCaption = 434;
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
// FTP copy.
constexpr std::uint32_t kOpeningConnection = 197;  // "Opening connection to %s"
constexpr std::uint32_t kFtpHostName = 198;
constexpr std::uint32_t kConnectedToServer = 207;
constexpr std::uint32_t kRequestStarted = 237;         // "%s started"
constexpr std::uint32_t kFoundFile = 246;              // "Found file \"%s\""
constexpr std::uint32_t kCopyingFilesTo = 132;         // "Copying files to %s"
constexpr std::uint32_t kCopiedFile = 195;             // "Copied %s from Velqorin"
constexpr std::uint32_t kUnableToCopyFile = 170;       // "Unable to copy file %s"
constexpr std::uint32_t kCopiedFiles = 193;            // "Copied %u files from Velqorin to %s"
constexpr std::uint32_t kVerificationSucceeded = 166;  // "%s verification succeeded"
constexpr std::uint32_t kFileVerificationFailed = 301;
constexpr std::uint32_t kFileDeleted = 243;  // "%s deleted"
// Sending Firmware dialog.
constexpr std::uint32_t kSendingFirmwareTitle = 369;  // "Sending %s Firmware"
constexpr std::uint32_t kTotalRetries = 306;          // "Total number of retries was %u"
constexpr std::uint32_t kHighestRetries = 359;
constexpr std::uint32_t kFirmwareLoadComplete = 160;      // "%s firmware load is complete"
constexpr std::uint32_t kVerificationFailedReload = 155;  // "%s verification failed. Reload %s."
constexpr std::uint32_t kConfirmCloseDuringLoad = 226;
// Configuration file.
constexpr std::uint32_t kConfigFileSavedOn = 221;
constexpr std::uint32_t kConfigFileDoNotEdit = 222;  // "*Do not edit this file!"
constexpr std::uint32_t kConfigFileMakeChanges = 223;
constexpr std::uint32_t kConfigFileWriteErrorCaption = 304;
constexpr std::uint32_t kConfigFileReadErrorCaption = 361;
constexpr std::uint32_t kConfigFileAltered = 215;
constexpr std::uint32_t kUnableToParseLine = 441;  // "Unable to parse line \"%s\""
constexpr std::uint32_t kUnableToParseSerialNumber = 154;
constexpr std::uint32_t kConfigFileIncomplete = 272;
constexpr std::uint32_t kSerialNumberMismatchCaption = 438;  // "Serial Number Mismatch"
constexpr std::uint32_t kSerialNumberMismatchStop = 442;
constexpr std::uint32_t kSerialNumberMismatch = 443;
// Configuration save and restore.
constexpr std::uint32_t kConfigFileFilter = 330;
constexpr std::uint32_t kConfigurationSaved = 219;  // "Configuration was saved"
constexpr std::uint32_t kSaveCancelled = 303;       // "Save configuration was cancelled"
constexpr std::uint32_t kSaveFailed = 220;          // "Failed to save configuration"
constexpr std::uint32_t kSaveErrorCaption = 278;    // "Save Configuration Error"
constexpr std::uint32_t kConfirmInterruptRestore = 247;
constexpr std::uint32_t kRestoreCancelledRestoreAgain = 134;
constexpr std::uint32_t kConfigurationRestored = 208;  // "Configuration was restored"
constexpr std::uint32_t kRestoreCancelled = 249;       // "Restore configuration was cancelled"
constexpr std::uint32_t kRestoreFailed = 210;          // "Failed to restore configuration"
constexpr std::uint32_t kRestoreErrorCaption = 214;    // "Restore Configuration Error"
constexpr std::uint32_t kTipSaveConfiguration = 340;
constexpr std::uint32_t kTipRestoreConfiguration = 341;
constexpr std::uint32_t kTipEditBanner = 349;
constexpr std::uint32_t kRestoreStoppedPartway = 1200;
constexpr std::uint32_t kRestoreNoAnswerAfterReload = 1201;
constexpr std::uint32_t kNoConfigurationBytes = 1202;
constexpr std::uint32_t kRestoreStoppedUnwritten = 1203;
constexpr std::uint32_t kNotRecorded = 1204;    // "not recorded"
constexpr std::uint32_t kRestoringFile = 1205;  // "Restoring %s: serial number %s, saved on %s"
// Power-on banner.
constexpr std::uint32_t kEditBannerTitle = 354;     // "Edit Power On Banner"
constexpr std::uint32_t kSave = 392;                // "Save"
constexpr std::uint32_t kBannerErrorCaption = 350;  // "Power On Banner Error"
constexpr std::uint32_t kBannerWrittenAndReadBack = 1206;
constexpr std::uint32_t kBannerReadBackDiffers = 1207;
// Fault table.
constexpr std::uint32_t kFaultTableSavedOn = 136;
constexpr std::uint32_t kFaultTableFileFilter = 131;
constexpr std::uint32_t kFaultTableErrorCaption = 145;  // "Fault Table Error"
constexpr std::uint32_t kFaultTableWriteErrorCaption = 152;
constexpr std::uint32_t kFaultNextIndexOutOfRange = 1240;
// Operate page.
constexpr std::uint32_t kOn = 130;       // "ON"
constexpr std::uint32_t kOff = 146;      // "OFF"
constexpr std::uint32_t kStandby = 147;  // "Standby"
constexpr std::uint32_t kOperate = 153;  // "Operate"
// Telemetry log and plot.
constexpr std::uint32_t kTelemetryLogStopped = 1320;  // "The telemetry log %s was stopped: %s"
constexpr std::uint32_t kTelemetryLogCaption = 1321;  // "Telemetry Log"
constexpr std::uint32_t kPlotPower = 1322;            // "Output power"
constexpr std::uint32_t kPlotSwr = 1323;              // "SWR"
constexpr std::uint32_t kPlotTemperature = 1324;      // "Temperature"
constexpr std::uint32_t kPlotPaVoltage = 1325;        // "PA voltage"
constexpr std::uint32_t kPlotPaCurrent = 1326;        // "PA current"
constexpr std::uint32_t kOperateRefusedForFault = 1327;
constexpr std::uint32_t kStartLog = 1360;          // "Start Log..."
constexpr std::uint32_t kStopLog = 1361;           // "Stop Log"
constexpr std::uint32_t kTelemetryLogRows = 1362;  // "%u rows"
constexpr std::uint32_t kTelemetryLogFileFilter = 1363;
constexpr std::uint32_t kTelemetryLogNotStarted = 1364;
// FTP copy.
constexpr std::uint32_t kFtpServerInvalid = 1400;
constexpr std::uint32_t kFetchedFileEmpty = 1410;  // "The copy of %s is empty"
constexpr std::uint32_t kFetchedFileSize = 1411;
// Command tester.
constexpr std::uint32_t kTipClearOutput = 270;  // "Erase output window"
constexpr std::uint32_t kLatin1Only = 1340;
}  // namespace ids

}  // namespace vlx
