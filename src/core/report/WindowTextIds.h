#pragma once
// The string-table ids of the main window, its Port page and the Command Tester.

#include <cstdint>

namespace vlx::ids {

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
// Port page.
constexpr std::uint32_t kDeviceStatusCaption = 142;  // "VLX Status"
constexpr std::uint32_t kChooseSerialPort = 199;
constexpr std::uint32_t kSelectSerialPortCaption = 200;  // "Select a Serial Port"
constexpr std::uint32_t kTipRefreshPortList = 266;
constexpr std::uint32_t kTipTestCommunications = 267;
constexpr std::uint32_t kTipPortList = 268;
constexpr std::uint32_t kTipClosePort = 372;
// Command tester.
constexpr std::uint32_t kTipClearOutput = 270;  // "Erase output window"
constexpr std::uint32_t kLatin1Only = 1340;

}  // namespace vlx::ids
