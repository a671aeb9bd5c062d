#pragma once
// A folder of its own for one end-to-end test, removed afterwards.

#include <unistd.h>

#include <filesystem>
#include <string>

namespace vlx::test {

class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TemporaryFolder() { std::filesystem::remove_all(path_); }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace vlx::test
