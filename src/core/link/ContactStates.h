#pragma once
// The query states every machine that finds the amplifier shares: who is on the line ("I;"),
// its firmware revision ("^RVM;") and its serial number ("^sn;"). Each machine builds its own
// instances and names the states they lead to; the parsed values go into AppSettings.

#include <cstdint>
#include <string_view>

#include "link/MachineState.h"

namespace vlx {

// The bootstrap loader talks only at this rate, so the identity query is always asked at it and
// a firmware load runs at it.
inline constexpr std::uint32_t kLoaderBitRate = 38400;

// A device name the identity reply may hold, the device type it stands for, and whether the
// name in this form means the device answers from its loader.
struct IdentityName {
  std::string_view name;
  std::uint32_t deviceType;
  bool loader;
};

// The identity names in the order they are searched; the first one found decides.
const IdentityName* FindIdentity(std::string_view reply);

// "I;" at 38400 bit/s (whatever rate found the device): a reply naming a device sets DeviceType.
// A loader's answer leads to `loaderNext` with the machine's device state 2; any other answer,
// or none within 200 ms, leads to `otherNext`.
class QueryIState final : public QueryState {
 public:
  QueryIState(Machine& machine, MachineState& loaderNext, MachineState& otherNext);
  void GoToNext() override;
  void Reset() override;
  bool Accept() override;

 private:
  MachineState& otherNext_;
  bool loader_ = false;
};

// "^RVM;", sent up to ten times 500 ms apart: a valid reply sets Revision and DeviceType 3 and
// the machine's device state 3; silence fails the run with 0xE200000D.
class QueryRevisionState final : public QueryState {
 public:
  QueryRevisionState(Machine& machine, MachineState& next);
  bool Accept() override;
};

// "^sn;" once: a valid reply sets SerialNumber; silence for 500 ms fails with 0xE2000309.
class QuerySerialNumberState final : public QueryState {
 public:
  QuerySerialNumberState(Machine& machine, MachineState& next);
  bool Accept() override;
};

// ";" every 100 ms until the amplifier answers after a reset or a reload, searching the line
// speed by the engine's rules; no answer at any rate fails with 0xE2000045.
class DetermineSpeedState final : public QueryState {
 public:
  DetermineSpeedState(Machine& machine, MachineState* next);
};

}  // namespace vlx
