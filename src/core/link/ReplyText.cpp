#include "link/ReplyText.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "text/Ascii.h"

namespace vlx {
bool ReplyContains(std::string_view reply, std::string_view name) {
  return !reply.empty() && reply.find(name) != std::string_view::npos;
}

std::int32_t ParseSignedDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Saturate like the C library's conversion rather than overflow on a long run of digits.
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
    magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i] - '0'), kLimit + 1);
  }
  return static_cast<std::int32_t>(negative ? -magnitude : std::min(magnitude, kLimit));
}

std::optional<std::uint16_t> ParseNumberReply(std::string_view reply, std::string_view prefix) {
  if (reply.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  const std::int32_t value = ParseSignedDecimal(reply.substr(prefix.size()));
  if (value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFF);
}

std::optional<std::uint16_t> ParseRevisionReply(std::string_view reply) {
  constexpr std::string_view kPrefix = "^RVM";
  if (reply.size() < kPrefix.size() + 6 || reply.substr(0, kPrefix.size()) != kPrefix) {
    return std::nullopt;
  }
  const std::string_view body = reply.substr(kPrefix.size(), 6);
  if (!IsAsciiDigit(body[0]) || !IsAsciiDigit(body[1]) || body[2] != '.' ||
      !IsAsciiDigit(body[3]) || !IsAsciiDigit(body[4]) || body[5] != ';') {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>((body[0] - '0') * 1000 + (body[1] - '0') * 100 +
                                    (body[3] - '0') * 10 + (body[4] - '0'));
}

std::string PrintableReply(std::string_view reply) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string printable;
  printable.reserve(reply.size());
  for (char c : reply) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte <= 0x7E) {
      printable.push_back(c);
    } else {
      printable += "\\x";
      printable.push_back(kHex[byte >> 4]);
      printable.push_back(kHex[byte & 0x0F]);
    }
  }
  return printable;
}

}  // namespace vlx
