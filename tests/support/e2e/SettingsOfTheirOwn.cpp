// The programs the end-to-end tests start keep their settings in a folder of each test's own,
// never in the settings of the user who runs the tests: a firmware load records what it left
// behind there, and a stored port must not steer a test. A test that needs particular settings
// points the programs elsewhere itself. The folder is made anew for every test, so that a test
// leaves nothing to the next one when many run in one process.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vlx::test {
namespace {

class SettingsOfTheirOwn final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo& /*test*/) override {
    folder_ =
        std::filesystem::temp_directory_path() / ("vlx-e2e-settings-" + std::to_string(::getpid()));
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directories(folder_);
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  void OnTestEnd(const ::testing::TestInfo& /*test*/) override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

 private:
  std::filesystem::path folder_;
};

[[maybe_unused]] const bool kSettingsOfTheirOwn = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new SettingsOfTheirOwn);
  return true;
}();

}  // namespace
}  // namespace vlx::test
