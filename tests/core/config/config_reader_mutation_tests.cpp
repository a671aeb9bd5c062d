// The configuration reader on many damaged copies of good files, made by a seeded mutator so every
// run checks the same inputs: the invariants the fuzz target checks, here in every build, the
// sanitizer build included.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#define VLX_FUZZ_CHECK_THROWS
#include "ConfigReaderInvariants.h"
#include "support/SeededMutations.h"

namespace vlx {
namespace {

TEST(SeededMutation, ConfigurationReaderKeepsItsInvariants) {
  test::CheckMutationsOf(std::filesystem::path(VLX_FIXTURE_DIR) / "config",
                         [](const std::string& text) { fuzz::CheckConfigurationReader(text); });
}

}  // namespace
}  // namespace vlx
