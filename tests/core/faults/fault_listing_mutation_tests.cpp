// The fault-record decoding on many damaged copies of good fault rings, made by a seeded mutator
// so every run checks the same inputs: the invariants the fuzz target checks, here in every build,
// the sanitizer build included.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#define VLX_FUZZ_CHECK_THROWS
#include "FaultRingInvariants.h"
#include "support/SeededMutations.h"

namespace vlx {
namespace {

TEST(SeededMutation, FaultListingKeepsItsInvariants) {
  test::CheckMutationsOf(
      std::filesystem::path(VLX_FUZZ_CORPUS_DIR) / "faults", [](const std::string& bytes) {
        FaultSnapshot snapshot;
        snapshot.fill(0xFF);
        std::copy_n(bytes.begin(), std::min(bytes.size(), snapshot.size()), snapshot.begin());
        fuzz::CheckFaultListing(snapshot);
      });
}

}  // namespace
}  // namespace vlx
