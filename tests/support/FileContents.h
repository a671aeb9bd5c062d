#pragma once
// Whole files as the tests compare them: files a program wrote, and the fixtures beside the tests.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vlx::test {

// The bytes of the file; empty when it cannot be read.
inline std::string FileContents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifdef VLX_FIXTURE_DIR
// A fixture by its place under tests/fixtures, e.g. "config/banner-only.VLXConfig".
inline std::string Fixture(const std::string& relative) {
  return FileContents(std::filesystem::path(VLX_FIXTURE_DIR) / relative);
}
#endif

}  // namespace vlx::test
