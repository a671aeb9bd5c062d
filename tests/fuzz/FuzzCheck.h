#pragma once
// The invariant checks' one way to fail. In a fuzz target a broken invariant stops the run at
// once, so that libFuzzer keeps the input that broke it; in the seeded mutation tests it throws,
// so that the test names the mutation and goes on with the next input.

#include <cstdlib>
#include <stdexcept>

namespace vlx::fuzz {

struct InvariantBroken : std::logic_error {
  using std::logic_error::logic_error;
};

inline void Check(bool holds, const char* what = "invariant") {
  if (!holds) {
#ifdef VLX_FUZZ_CHECK_THROWS
    throw InvariantBroken(what);
#else
    (void)what;
    std::abort();
#endif
  }
}

}  // namespace vlx::fuzz
