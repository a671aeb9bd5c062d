#pragma once
// A well-mixed 64-bit value from a seed and a position, so that whatever the simulator makes up
// (corrupted bytes, noise, its meters' readings) depends only on where or when it is, never on
// what was made up before it or how often somebody asked.

#include <cstdint>

namespace vlxsim {

inline std::uint64_t Mix(std::uint64_t seed, std::uint64_t salt) {
  std::uint64_t z = seed * 0x9E3779B97F4A7C15ull + salt + 0x632BE59BD9B4E019ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace vlxsim
