#include "config/BannerRules.h"

#include <algorithm>

#include "text/Ascii.h"

namespace vlx {

std::optional<std::string> AcceptBannerText(std::string_view text) {
  if (text.size() > kBannerLength || !std::all_of(text.begin(), text.end(), IsBannerCharacter)) {
    return std::nullopt;
  }
  std::string accepted(text);
  for (char& character : accepted) {
    character = UpperAscii(character);
  }
  return accepted;
}

std::string BannerOfBytes(std::span<const std::uint8_t, kBannerLength> bytes) {
  constexpr std::uint8_t kErased = 0xFF;
  if (bytes.front() == kErased) {
    return {};
  }
  return {bytes.begin(), std::find(bytes.begin(), bytes.end(), 0)};
}

std::string ShownBanner(std::string_view banner) {
  std::string shown(banner);
  std::replace_if(
      shown.begin(), shown.end(), [](char character) { return !IsBannerCharacter(character); },
      '?');
  return shown;
}

bool IsBannerUnchanged(std::string_view edited, std::string_view banner) {
  return edited == ShownBanner(banner);
}

}  // namespace vlx
