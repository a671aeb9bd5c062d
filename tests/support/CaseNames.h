#pragma once
// Names for parameterised test cases. Left to itself GoogleTest names a case by its index or by a
// dump of its bytes (pointers and padding included), which changes from build to build; a name
// taken from the case's meaning stays put, so `ctest -R` and `--rerun-failed` can find it.

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace vlx::test {

// For a case that carries its own `label`.
struct ByLabel {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return std::string(info.param.label);
  }
};

// For a case that is a bit rate, or carries one as `rate`: "At9600".
struct ByRate {
  template <class Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    if constexpr (std::is_arithmetic_v<Case>) {
      return "At" + std::to_string(info.param);
    } else {
      return "At" + std::to_string(info.param.rate);
    }
  }
};

}  // namespace vlx::test
