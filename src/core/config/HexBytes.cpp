#include "config/HexBytes.h"

namespace vlx {
namespace {

int DigitValue(char character) {
  if (character >= '0' && character <= '9') {
    return character - '0';
  }
  if (character >= 'A' && character <= 'F') {
    return character - 'A' + 10;
  }
  if (character >= 'a' && character <= 'f') {
    return character - 'a' + 10;
  }
  return -1;
}

}  // namespace

std::string HexEncode(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

ErrorCode ParseHexByte(char high, char low, std::uint8_t& value) {
  const int upper = DigitValue(high);
  const int lower = DigitValue(low);
  if (upper < 0 || lower < 0) {
    return err::kUnexpectedHexCharacter;
  }
  value = static_cast<std::uint8_t>(upper * 16 + lower);
  return err::kSuccess;
}

bool IsHexDigit(char character) {
  return DigitValue(character) >= 0;
}

}  // namespace vlx
