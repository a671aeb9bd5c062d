// The programs the end-to-end tests start keep their settings in a folder of this test run's own,
// never in the settings of the user who runs the tests: a firmware load records what it left
// behind there, and a stored port must not steer a test. A test that needs particular settings
// points the programs elsewhere itself.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vlx::test {
namespace {

class SettingsOfTheirOwn final : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() / ("vlx-e2e-settings-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

 private:
  std::filesystem::path folder_;
};

[[maybe_unused]] ::testing::Environment* const kSettingsOfTheirOwn =
    ::testing::AddGlobalTestEnvironment(new SettingsOfTheirOwn);

}  // namespace
}  // namespace vlx::test
