#pragma once
// The serial ports the system knows of, for the Port page's list.

#include <string>
#include <vector>

namespace vlx {

// The system paths of the serial ports (/dev/ttyUSB0, ...) and the stable names of the USB
// adapters in `byIdFolder` (/dev/serial/by-id/usb-...), sorted and each once. A by-id name
// survives re-plugging, where ttyUSB numbers get handed out anew. The system's list never shows
// pseudo-terminals, so the simulated amplifier's link is added by name when it exists.
std::vector<std::string> ListSerialPorts(const std::string& simulatorLink = "/tmp/vlx750-sim",
                                         const std::string& byIdFolder = "/dev/serial/by-id");

}  // namespace vlx
