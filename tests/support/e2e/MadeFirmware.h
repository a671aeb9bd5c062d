#pragma once
// Firmware files made by the test-firmware generator, for the end-to-end tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/e2e/FinishedRun.h"

namespace vlx::test {

// A firmware file of the given revision made in `folder`; its path.
inline std::string MakeFirmware(const std::filesystem::path& folder, int revision) {
  std::filesystem::create_directories(folder);
  const Finished made =
      RunProgram(VLX750_MKFW_PATH, {"--revision", std::to_string(revision), "-o", folder.string()});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  return made.out.substr(0, made.out.find('\n'));
}

}  // namespace vlx::test
