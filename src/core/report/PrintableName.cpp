#include "report/PrintableName.h"

namespace vlx {

std::string PrintableName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string printable;
  printable.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      printable += "\\x";
      printable += kHex[byte >> 4];
      printable += kHex[byte & 0x0F];
    } else if (c == '\\') {
      printable += "\\\\";
    } else {
      printable += c;
    }
  }
  return printable;
}

}  // namespace vlx
