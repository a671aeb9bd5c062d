#pragma once
// The string-table ids every failure report and dialog shares.

#include <cstdint>

namespace vlx::ids {

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

}  // namespace vlx::ids
