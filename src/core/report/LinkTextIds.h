#pragma once
// The string-table ids of the serial link and the contact search.

#include <cstdint>

namespace vlx::ids {

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

}  // namespace vlx::ids
