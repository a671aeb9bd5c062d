#include "firmware/FirmwareName.h"

#include "text/Ascii.h"

namespace vlx {
namespace {

constexpr std::uint32_t kHighestRevision = 9999;

}  // namespace

std::optional<std::uint16_t> RevisionInFileName(std::string_view path) {
  std::string_view name = path.substr(path.find_last_of("/\\:") + 1);
  if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    name = name.substr(0, dot);
  }
  std::size_t end = name.size();
  while (end > 0 && !IsAsciiDigit(name[end - 1])) {
    --end;
  }
  std::size_t begin = end;
  while (begin > 0 && IsAsciiDigit(name[begin - 1])) {
    --begin;
  }
  if (begin == end || (begin == 0 && end == name.size())) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (std::size_t i = begin; i < end; ++i) {
    value = value * 10 + static_cast<std::uint32_t>(name[i] - '0');
    if (value > kHighestRevision) {
      return std::nullopt;
    }
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace vlx
