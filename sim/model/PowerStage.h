#pragma once
// The power stage as its meters see it, and who keys it.

#include <cstdint>

namespace vlxsim {

// Who keys the amplifier: the exciter on its own seeded rhythm, or held on or off.
enum class KeyMode { kAuto, kOn, kOff };

// What the front-panel meters show at one moment, in the units the firmware reports them.
struct Readings {
  std::uint32_t powerW = 0;
  std::uint32_t swrTenths = 10;
  std::uint32_t temperatureC = 0;
  std::uint32_t paVoltageTenths = 0;
  std::uint32_t paCurrentTenths = 0;

  bool operator==(const Readings&) const = default;
};

// The power stage as its meters see it: output only in operate and keyed, SWR by band, a supply
// that sags with the current and a heat sink with its time constant. Every reading follows from
// the seed, the time and the settings alone (keying, drift and jitter drawn per time slot, the heat
// sink stepped on a fixed grid), so nobody's polling rate changes what it reads.
class PowerStage {
 public:
  static constexpr std::uint8_t kBands = 11;  // band numbers 0..10, 1.8 to 50 MHz

  PowerStage(std::uint64_t seed, std::uint8_t band, KeyMode key);

  // A setting changes at nowMs; the heat sink is first brought up to then under the old one.
  void SetBand(std::uint8_t band, std::uint64_t nowMs);
  void SetOperate(bool operate, std::uint64_t nowMs);
  void SetKey(KeyMode key, std::uint64_t nowMs);

  std::uint8_t Band() const { return band_; }
  bool InOperate() const { return operate_; }
  // Whether the exciter drives it at nowMs, whatever the mode.
  bool Keyed(std::uint64_t nowMs) const;

  Readings Read(std::uint64_t nowMs);

 private:
  struct Electrical {
    double outputW;
    double supplyV;
    double currentA;
  };

  Electrical At(std::uint64_t nowMs) const;
  double HeatSinkTarget(std::uint64_t nowMs) const;
  void Settle(std::uint64_t nowMs);
  // A value in [-1, 1] that wanders slowly, and one that changes every time slot.
  double Drift(std::uint64_t channel, std::uint64_t nowMs) const;
  double Jitter(std::uint64_t channel, std::uint64_t nowMs) const;
  double Unit(std::uint64_t channel, std::uint64_t slot) const;

  std::uint64_t seed_;
  std::uint8_t band_;
  KeyMode key_;
  bool operate_ = false;
  double ambientC_;
  double heatSinkC_;
  std::uint64_t settledMs_ = 0;  // the heat sink's temperature holds at this grid time
};

}  // namespace vlxsim
