#pragma once
// The two-digit hexadecimal form of bytes that the configuration file, the EEPROM commands and
// the fault-table file share.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

// Two upper-case digits per byte, most significant first.
std::string HexEncode(const std::uint8_t* bytes, std::size_t count);

// high * 16 + low; either case is accepted. Fails with 0xE200000B ("Unexpected hex character")
// and leaves `value` alone when either character is no hexadecimal digit.
ErrorCode ParseHexByte(char high, char low, std::uint8_t& value);

}  // namespace vlx
