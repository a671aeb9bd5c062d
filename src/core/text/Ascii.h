#pragma once
// The ASCII character classes, case folding and hexadecimal digits every parser shares. Bytes
// outside ASCII are never letters, digits or blanks here, whatever the locale says.

#include <array>
#include <cstdint>
#include <string_view>

namespace vlx {

constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

constexpr bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr bool IsAsciiAlphanumeric(char c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c);
}

// A blank within a line: space or tab.
constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Blanks and the line and page breaks.
constexpr bool IsAsciiSpace(char c) {
  return IsBlank(c) || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

// The digits hexadecimal is written with, upper case.
inline constexpr std::string_view kUpperHexDigits = "0123456789ABCDEF";

namespace ascii_detail {
// A table, not a chain of comparisons: the firmware reader looks up every byte of an image.
constexpr std::array<std::int8_t, 256> MakeHexDigitValues() {
  std::array<std::int8_t, 256> values{};
  values.fill(-1);
  for (int i = 0; i < 10; ++i) {
    values['0' + i] = static_cast<std::int8_t>(i);
  }
  for (int i = 0; i < 6; ++i) {
    values['a' + i] = static_cast<std::int8_t>(10 + i);
    values['A' + i] = static_cast<std::int8_t>(10 + i);
  }
  return values;
}
inline constexpr std::array<std::int8_t, 256> kHexDigitValues = MakeHexDigitValues();
}  // namespace ascii_detail

// The value of a hexadecimal digit of either case; -1 for any other byte.
constexpr int HexDigitValue(char c) {
  return ascii_detail::kHexDigitValues[static_cast<unsigned char>(c)];
}

constexpr bool IsHexDigit(char c) {
  return HexDigitValue(c) >= 0;
}

}  // namespace vlx
