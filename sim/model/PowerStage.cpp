#include "PowerStage.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Hash.h"

namespace vlxsim {

namespace {

// Channels of made-up values, so that no two quantities share their draws.
enum Channel : std::uint64_t { kKeying = 1, kPower, kSwr, kSwrDrift, kSupply, kBias, kAmbient };

constexpr std::uint64_t Salt(std::uint64_t channel, std::uint64_t slot) {
  return (channel << 56) ^ slot;
}

// The exciter keys once in every window: on for 1 to 6 s somewhere inside it.
constexpr std::uint64_t kKeyWindowMs = 8000;
constexpr std::uint64_t kMinKeyMs = 1000;
constexpr std::uint64_t kKeySpreadMs = 5000;

constexpr std::uint64_t kDriftKnotMs = 10'000;
constexpr std::uint64_t kJitterSlotMs = 100;
constexpr std::uint64_t kThermalStepMs = 100;
constexpr double kThermalTimeConstantS = 90.0;
constexpr double kKelvinPerWatt = 0.1;  // heat sink to air

// Rated output per band, the 50 MHz band lower.
constexpr std::array<double, PowerStage::kBands> kRatedW = {650, 650, 620, 650, 640, 630,
                                                            620, 600, 580, 560, 500};
constexpr double kEfficiency = 0.6;
constexpr double kSupplySagOhms = 0.15;
constexpr double kStandbyA = 0.3;
constexpr double kBiasA = 2.0;

std::uint32_t Rounded(double value) {
  return static_cast<std::uint32_t>(std::lround(std::max(value, 0.0)));
}

}  // namespace

PowerStage::PowerStage(std::uint64_t seed, std::uint8_t band, KeyMode key)
    : seed_(seed),
      band_(std::min<std::uint8_t>(band, kBands - 1)),
      key_(key),
      ambientC_(22.0 + static_cast<double>(Mix(seed, Salt(kAmbient, 0)) % 6)),
      heatSinkC_(ambientC_) {}

void PowerStage::SetBand(std::uint8_t band, std::uint64_t nowMs) {
  Settle(nowMs);
  band_ = std::min<std::uint8_t>(band, kBands - 1);
}

void PowerStage::SetOperate(bool operate, std::uint64_t nowMs) {
  Settle(nowMs);
  operate_ = operate;
}

void PowerStage::SetKey(KeyMode key, std::uint64_t nowMs) {
  Settle(nowMs);
  key_ = key;
}

bool PowerStage::Keyed(std::uint64_t nowMs) const {
  switch (key_) {
    case KeyMode::kOn:
      return true;
    case KeyMode::kOff:
      return false;
    case KeyMode::kAuto:
      break;
  }
  const std::uint64_t draw = Mix(seed_, Salt(kKeying, nowMs / kKeyWindowMs));
  const std::uint64_t onMs = kMinKeyMs + draw % kKeySpreadMs;
  const std::uint64_t startMs = (draw >> 24) % (kKeyWindowMs - onMs);
  const std::uint64_t inWindow = nowMs % kKeyWindowMs;
  return inWindow >= startMs && inWindow < startMs + onMs;
}

double PowerStage::Unit(std::uint64_t channel, std::uint64_t slot) const {
  return static_cast<double>(Mix(seed_, Salt(channel, slot)) % 2001) / 1000.0 - 1.0;
}

double PowerStage::Drift(std::uint64_t channel, std::uint64_t nowMs) const {
  const std::uint64_t knot = nowMs / kDriftKnotMs;
  const double along = static_cast<double>(nowMs % kDriftKnotMs) / kDriftKnotMs;
  return Unit(channel, knot) * (1.0 - along) + Unit(channel, knot + 1) * along;
}

double PowerStage::Jitter(std::uint64_t channel, std::uint64_t nowMs) const {
  // Its own slots, apart from the drift's knots.
  return Unit(channel, (std::uint64_t{1} << 40) + nowMs / kJitterSlotMs);
}

PowerStage::Electrical PowerStage::At(std::uint64_t nowMs) const {
  Electrical e{};
  e.supplyV = 54.0 + Unit(kSupply, 0) + 0.3 * Drift(kSupply, nowMs);
  if (operate_ && Keyed(nowMs)) {
    e.outputW = kRatedW[band_] * (0.9 + 0.06 * Drift(kPower, nowMs) + 0.01 * Jitter(kPower, nowMs));
    e.currentA = e.outputW / (e.supplyV * kEfficiency);
  } else {
    e.currentA = operate_ ? kBiasA + 0.1 * Jitter(kBias, nowMs) : kStandbyA;
  }
  e.supplyV -= kSupplySagOhms * e.currentA;
  return e;
}

double PowerStage::HeatSinkTarget(std::uint64_t nowMs) const {
  const Electrical e = At(nowMs);
  return ambientC_ + kKelvinPerWatt * (e.supplyV * e.currentA - e.outputW);
}

void PowerStage::Settle(std::uint64_t nowMs) {
  static const double kFollow =
      1.0 - std::exp(-static_cast<double>(kThermalStepMs) / 1000.0 / kThermalTimeConstantS);
  // Twenty time constants wipe out what the heat sink was before them (to e^-20 of it), so a
  // long gap starts there, from the temperature it would have settled at: the cost of a read
  // stays bounded however long nobody asked.
  constexpr std::uint64_t kMemoryMs = static_cast<std::uint64_t>(20 * kThermalTimeConstantS) *
                                      1000 / kThermalStepMs * kThermalStepMs;
  if (nowMs > settledMs_ + kMemoryMs) {
    settledMs_ = (nowMs - kMemoryMs) / kThermalStepMs * kThermalStepMs;
    heatSinkC_ = HeatSinkTarget(settledMs_);
  }
  while (settledMs_ + kThermalStepMs <= nowMs) {
    heatSinkC_ += (HeatSinkTarget(settledMs_) - heatSinkC_) * kFollow;
    settledMs_ += kThermalStepMs;
  }
}

Readings PowerStage::Read(std::uint64_t nowMs) {
  Settle(nowMs);
  const Electrical e = At(nowMs);
  Readings r;
  r.powerW = Rounded(e.outputW);
  if (e.outputW > 0) {
    const double bandSwr = 11.0 + static_cast<double>(Mix(seed_, Salt(kSwr, band_)) % 10);
    r.swrTenths = Rounded(bandSwr + 0.6 * Drift(kSwrDrift, nowMs));
  }
  r.temperatureC = Rounded(heatSinkC_);
  r.paVoltageTenths = Rounded(e.supplyV * 10.0);
  r.paCurrentTenths = Rounded(e.currentA * 10.0);
  return r;
}

}  // namespace vlxsim
