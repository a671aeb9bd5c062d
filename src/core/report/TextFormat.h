#pragma once
// printf-style formatting of one line: %s %c %d %i %u %x %X with flags, width and precision, and no
// floating point. Arguments are typed, so a format can never read past them; only a width or a
// precision is capped (kMaxFieldWidth), so a long path never pushes the cause out of a message.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace vlx {

constexpr std::size_t kMaxFieldWidth = 1024;

class FormatArg {
 public:
  FormatArg(std::uint32_t value) : value_(static_cast<std::uint64_t>(value)) {}
  FormatArg(std::int32_t value) : value_(static_cast<std::int64_t>(value)) {}
  FormatArg(std::uint16_t value) : value_(static_cast<std::uint64_t>(value)) {}
  FormatArg(std::uint8_t value) : value_(static_cast<std::uint64_t>(value)) {}
  FormatArg(std::uint64_t value) : value_(value) {}
  FormatArg(std::string_view text) : value_(text) {}
  FormatArg(const char* text) : value_(std::string_view(text ? text : "")) {}
  FormatArg(const std::string& text) : value_(std::string_view(text)) {}

  const std::variant<std::uint64_t, std::int64_t, std::string_view>& Value() const {
    return value_;
  }

 private:
  std::variant<std::uint64_t, std::int64_t, std::string_view> value_;
};

using FormatArgs = std::initializer_list<FormatArg>;

std::string FormatText(std::string_view format, FormatArgs args = {});
// The same with a string-table text as the format.
std::string FormatText(std::uint32_t stringId, FormatArgs args = {});

}  // namespace vlx
