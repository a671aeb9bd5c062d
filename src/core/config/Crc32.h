#pragma once
// The CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320), continued across pieces of text:
// the seal of configuration files.

#include <cstdint>
#include <string_view>

namespace vlx {

// The CRC-32 of everything run through so far followed by `text`, given the CRC-32 `crc` of
// what came before (0 for nothing): Crc32("abc") is 0x352441C2, and so is
// Crc32("c", Crc32("ab")).
std::uint32_t Crc32(std::string_view text, std::uint32_t crc = 0);

}  // namespace vlx
