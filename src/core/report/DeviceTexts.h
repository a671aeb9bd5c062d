#pragma once
// The texts that tell the user who the program is and what the amplifier is doing: the
// program's identity line, the main window's title, and the device state in words.

#include <cstdint>
#include <string>
#include <string_view>

namespace vlx {

// "<description> Revision a.b.c.d".
std::string ProgramIdentityLine(std::string_view description, const std::uint32_t (&version)[4]);

// The identity line, then " - S/N nnnnn" when the serial number is known, then the port: " on
// PORT at RATE bit/s" while it is open, " on PORT closed" otherwise; nothing without a port.
std::string WindowTitle(const std::string& identityLine, std::uint16_t serialNumber,
                        const std::string& port, bool portOpen, std::uint32_t bitsPerSecond);

// The amplifier's state for a box or the status line: waiting in its loader, operating with its
// revision, or not responding.
std::string DeviceStateText(std::uint32_t deviceState, std::uint16_t revision,
                            std::uint32_t bitsPerSecond);

// The status line on a change of the device state: as above, or "Serial Port is closed".
std::string DeviceStatusLine(std::uint32_t deviceState, std::uint16_t revision, bool portOpen,
                             std::uint32_t bitsPerSecond);

}  // namespace vlx
