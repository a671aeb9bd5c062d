#pragma once
// What the program knows to say about the device on the line: which kind answered, what it is
// doing, and the word its texts use for the amplifier.

#include <cstdint>

namespace vlx {

// Kinds of device that answer the identity query.
namespace device_type {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kRq7 = 2;
constexpr std::uint32_t kVlx750 = 3;
constexpr std::uint32_t kTnr750 = 4;
constexpr std::uint32_t kQmv1200 = 9;
}  // namespace device_type

// What the device is doing, as the machines found it.
namespace device_state {
constexpr std::uint32_t kNotResponding = 0;
constexpr std::uint32_t kWaitingInLoader = 2;  // for the power button or a firmware load
constexpr std::uint32_t kOperating = 3;
}  // namespace device_state

constexpr std::uint16_t kUnknownSerialNumber = 0xFFFF;

// Fills the "%s" of the status texts that speak of the amplifier.
constexpr const char* kDeviceWord = "VLX";

}  // namespace vlx
