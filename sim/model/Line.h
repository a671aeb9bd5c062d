#pragma once
// The serial line between the computer and the amplifier: which rates it carries, how long bytes
// take on it and what a receiver makes of bytes sent at another rate than its own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vlxsim {

// The four rates the amplifier's RS-232 port can run at.
bool IsLineRate(std::uint32_t rate);

// Time to send byteCount bytes at `rate` (start bit, 8 data bits, stop bit), rounded up; 0 for a
// rate of 0.
std::uint32_t LineTimeMicros(std::size_t byteCount, std::uint32_t rate);

// What a UART listening at receiverRate makes of bytes sent at senderRate. Identical bytes when the
// rates are equal. Otherwise a deterministic garble whose length follows the ratio of the rates (a
// slower receiver sees fewer frames, a faster one more: at least one byte in all, at most eight
// per byte sent), every byte with its top bit set, so it never holds ";" or any other ASCII
// character and can never form or complete a command or reply. Nothing at all when either rate is
// 0 (a hung-up line).
std::string AcrossRates(std::string_view bytes, std::uint32_t senderRate,
                        std::uint32_t receiverRate);

}  // namespace vlxsim
