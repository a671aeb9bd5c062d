#include "config/HexBytes.h"

#include "text/Ascii.h"

namespace vlx {

std::string HexEncode(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    text += kUpperHexDigits[bytes[i] >> 4];
    text += kUpperHexDigits[bytes[i] & 0x0F];
  }
  return text;
}

ErrorCode ParseHexByte(char high, char low, std::uint8_t& value) {
  const int upper = HexDigitValue(high);
  const int lower = HexDigitValue(low);
  if (upper < 0 || lower < 0) {
    return err::kUnexpectedHexCharacter;
  }
  value = static_cast<std::uint8_t>(upper * 16 + lower);
  return err::kSuccess;
}

}  // namespace vlx
