#include "ControlLine.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "Amplifier.h"

namespace vlxsim {

namespace {

constexpr std::string_view kBlanks = " \t\r";
constexpr std::uint32_t kMaxFaultCode = 15;

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  while (true) {
    const auto start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) {
      return words;
    }
    line.remove_prefix(start);
    const auto end = std::min(line.find_first_of(kBlanks), line.size());
    words.push_back(line.substr(0, end));
    line.remove_prefix(end);
  }
}

}  // namespace

std::optional<KeyMode> ParseKeyMode(std::string_view word) {
  if (word == "on") {
    return KeyMode::kOn;
  }
  if (word == "off") {
    return KeyMode::kOff;
  }
  if (word == "auto") {
    return KeyMode::kAuto;
  }
  return std::nullopt;
}

std::optional<ControlLine> ParseControlLine(std::string_view line) {
  const std::vector<std::string_view> words = Words(line);
  ControlLine control;
  if (words.size() == 1 && words[0] == "clear") {
    control.kind = ControlLine::Kind::kClear;
    return control;
  }
  if (words.size() != 2) {
    return std::nullopt;
  }
  if (words[0] == "key") {
    const std::optional<KeyMode> key = ParseKeyMode(words[1]);
    if (!key) {
      return std::nullopt;
    }
    control.kind = ControlLine::Kind::kKey;
    control.key = *key;
    return control;
  }
  std::uint32_t code = 0;
  const std::string_view digits = words[1];
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
  if (words[0] != "trip" || ec != std::errc() || end != digits.data() + digits.size() ||
      code == 0 || code > kMaxFaultCode) {
    return std::nullopt;
  }
  control.kind = ControlLine::Kind::kTrip;
  control.code = static_cast<std::uint8_t>(code);
  return control;
}

bool ApplyControlLine(const ControlLine& line, Amplifier& amplifier, std::uint64_t nowMicros) {
  switch (line.kind) {
    case ControlLine::Kind::kTrip:
      return amplifier.Trip(line.code, nowMicros);
    case ControlLine::Kind::kClear:
      amplifier.ClearFault();
      return true;
    case ControlLine::Kind::kKey:
      amplifier.SetKey(line.key, nowMicros);
      return true;
  }
  return false;
}

}  // namespace vlxsim
