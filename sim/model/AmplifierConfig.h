#pragma once

#include <cstdint>
#include <string>

namespace vlxsim {

// The device on the far end of the line: the amplifier itself, or another of the maker's devices
// that answers the identity query in its own words.
enum class Identity { kVlx750, kRq7, kTnr750, kQmv1200 };

// Operating, or switched off and waiting in its loader for the power button.
enum class PowerMode { kOperating, kOff };

// Misbehaviour to inject into the amplifier's replies. Counting starts at the first reply; when a
// reply is due for both dropping and corrupting it is dropped.
struct Faults {
  std::uint32_t dropEveryNth = 0;  // every Nth reply is lost (0: none)
  std::uint32_t corruptEveryNth =
      0;                           // every Nth reply has its first byte's low bit flipped (0: none)
  bool silent = false;             // commands still act, but no reply leaves the amplifier
  std::uint32_t replyDelayMs = 0;  // slow replies: added to the processing delay
};

struct AmplifierConfig {
  Identity identity = Identity::kVlx750;
  PowerMode mode = PowerMode::kOperating;
  std::uint32_t operatingRate = 38400;  // not one of the four line rates: 38400
  std::uint16_t revision = 123;         // major * 100 + minor: "^RVM01.23;"
  std::uint16_t serialNumber = 1234;    // "^SN1234;"
  Faults faults;
  std::uint32_t processingDelayMs = 2;  // time the firmware takes to answer a command
};

// Something the amplifier sends: `bytes` leave it delayMs after the last byte of the command that
// caused them arrived, at line rate `rate`.
struct Transmission {
  std::string bytes;
  std::uint32_t delayMs;
  std::uint32_t rate;

  bool operator==(const Transmission&) const = default;
};

}  // namespace vlxsim
