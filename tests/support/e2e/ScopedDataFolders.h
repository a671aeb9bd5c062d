#pragma once
// Points the data and settings folders of the programs a test starts at a folder of its own.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vlx::test {

class ScopedDataFolders {
 public:
  explicit ScopedDataFolders(const std::filesystem::path& root) {
    Set("XDG_DATA_HOME", (root / "data").string());
    Set("XDG_CONFIG_HOME", (root / "config").string());
  }
  ~ScopedDataFolders() {
    for (const auto& [name, value] : saved_) {
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }
  }
  ScopedDataFolders(const ScopedDataFolders&) = delete;
  ScopedDataFolders& operator=(const ScopedDataFolders&) = delete;

  // The firmware folder the programs use by default under `root`.
  static std::filesystem::path FirmwareFolder(const std::filesystem::path& root) {
    return root / "data" / "Velqorin" / "VLX Firmware";
  }

 private:
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vlx::test
