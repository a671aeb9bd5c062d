#pragma once
// The path CreateFile opens a serial port by.

#include <string>
#include <string_view>

namespace vlx {

// "\\.\" + the port name: only COM1..COM9 are known to CreateFile by their bare names, so
// without the prefix COM10 and above would not open. A name already in the device namespace
// ("\\.\COM12", "\\?\...") is kept as it is.
std::string PortDevicePath(std::string_view portName);

}  // namespace vlx
