#pragma once
// The fuzz targets' one way to fail: an invariant that does not hold stops the run at once, so
// that libFuzzer keeps the input that broke it.

#include <cstdlib>

namespace vlx::fuzz {

inline void Check(bool holds) {
  if (!holds) {
    std::abort();
  }
}

}  // namespace vlx::fuzz
