#include "PortDevicePath.h"

namespace vlx {

std::string PortDevicePath(std::string_view portName) {
  constexpr std::string_view kDeviceNamespace = "\\\\.\\";
  constexpr std::string_view kLongPathNamespace = "\\\\?\\";
  if (portName.starts_with(kDeviceNamespace) || portName.starts_with(kLongPathNamespace)) {
    return std::string(portName);
  }
  std::string path(kDeviceNamespace);
  path += portName;
  return path;
}

}  // namespace vlx
