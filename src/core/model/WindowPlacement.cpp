#include "model/WindowPlacement.h"

#include <array>
#include <cstddef>
#include <string>

#include "model/Setting.h"

namespace vlx {

namespace {

constexpr std::size_t kValueCount = 10;
using PlacementValues = std::array<std::uint32_t, kValueCount>;

// The order in which the values are written and read.
constexpr std::array<const char*, kValueCount> kValueNames = {
    "flags",   "showCmd", "minPosX", "minPosY", "maxPosX",
    "maxPosY", "bottom",  "left",    "right",   "top"};

// Coordinates may be negative (a window on a monitor left of the primary one); the store keeps
// their 32-bit pattern.
std::uint32_t Bits(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}
std::int32_t Signed(std::uint32_t value) {
  return static_cast<std::int32_t>(value);
}

PlacementValues ToValues(const WindowPlacement& p) {
  return {p.flags,         p.showCmd,      Bits(p.minPosX), Bits(p.minPosY), Bits(p.maxPosX),
          Bits(p.maxPosY), Bits(p.bottom), Bits(p.left),    Bits(p.right),   Bits(p.top)};
}

WindowPlacement FromValues(const PlacementValues& v) {
  WindowPlacement p;
  p.flags = v[0];
  p.showCmd = v[1];
  p.minPosX = Signed(v[2]);
  p.minPosY = Signed(v[3]);
  p.maxPosX = Signed(v[4]);
  p.maxPosY = Signed(v[5]);
  p.bottom = Signed(v[6]);
  p.left = Signed(v[7]);
  p.right = Signed(v[8]);
  p.top = Signed(v[9]);
  return p;
}

}  // namespace

ErrorCode SaveWindowPlacement(SettingsStore& store, const WindowPlacement& placement) {
  const PlacementValues values = ToValues(placement);
  for (std::size_t i = 0; i < kValueCount; ++i) {
    if (const ErrorCode error = store.WriteDword(kWindowSubkey, kValueNames[i], values[i])) {
      return error;
    }
  }
  return err::kSuccess;
}

std::optional<WindowPlacement> RestoreWindowPlacement(const SettingsStore& store) {
  PlacementValues values{};
  for (std::size_t i = 0; i < kValueCount; ++i) {
    const std::optional<std::uint32_t> value = ReadDwordValue(store, kWindowSubkey, kValueNames[i]);
    if (!value) {
      return std::nullopt;
    }
    values[i] = *value;
  }
  return FromValues(values);
}

}  // namespace vlx
