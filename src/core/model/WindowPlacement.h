#pragma once
// The main window's placement as kept between runs: ten 32-bit values in the subkey "Window".

#include <cstdint>
#include <optional>

#include "model/SettingsStore.h"
#include "report/ErrorCode.h"

namespace vlx {

constexpr char kWindowSubkey[] = "Window";

struct WindowPlacement {
  std::uint32_t flags = 0;
  std::uint32_t showCmd = 0;
  std::int32_t minPosX = 0;
  std::int32_t minPosY = 0;
  std::int32_t maxPosX = 0;
  std::int32_t maxPosY = 0;
  // The window's rectangle when it is neither minimised nor maximised.
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Writes the ten values; stops at the first failed write and returns its error.
ErrorCode SaveWindowPlacement(SettingsStore& store, const WindowPlacement& placement);
// The stored placement, only when all ten values are present as 32-bit values.
std::optional<WindowPlacement> RestoreWindowPlacement(const SettingsStore& store);

}  // namespace vlx
