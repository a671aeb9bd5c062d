#pragma once
// The lines of the daemon's control channel: a hand on the amplifier's front panel.

#include <cstdint>
#include <optional>
#include <string_view>

#include "PowerStage.h"

namespace vlxsim {

class Amplifier;

// One line of the daemon's control channel, the hand on the amplifier's front panel while the
// program talks to it: "trip CODE" (a fault code 1..15), "clear", "key on|off|auto".
struct ControlLine {
  enum class Kind { kTrip, kClear, kKey };
  Kind kind = Kind::kClear;
  std::uint8_t code = 0;
  KeyMode key = KeyMode::kAuto;
};

// "on", "off" or "auto".
std::optional<KeyMode> ParseKeyMode(std::string_view word);

// Blanks around and between the words and a trailing CR are allowed; nothing else.
std::optional<ControlLine> ParseControlLine(std::string_view line);

// Carries the line out at nowMicros; false when the amplifier takes no notice (a trip while its
// firmware is not running).
bool ApplyControlLine(const ControlLine& line, Amplifier& amplifier, std::uint64_t nowMicros);

}  // namespace vlxsim
