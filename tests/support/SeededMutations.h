#pragma once
// A seeded mutator over the good files of a folder, so every run checks the same damaged copies
// against the invariants the fuzz targets check.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "support/FileContents.h"

namespace vlx::test {

namespace fs = std::filesystem;

constexpr int kMutationsPerFile = 5000;

inline std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files(fs::directory_iterator(folder), fs::directory_iterator{});
  std::erase_if(files, [](const fs::path& file) { return !fs::is_regular_file(file); });
  std::sort(files.begin(), files.end());
  return files;
}

// One to four edits of the kinds that damage a text file in practice: a byte changed, added or
// lost, a line lost or doubled, the end cut off.
inline std::string Mutated(std::string text, std::mt19937& random) {
  auto below = [&random](std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  const std::string interesting = "0123456789ABCDEFabcdef \r\n=xX;:*";
  const std::size_t edits = 1 + below(4);
  for (std::size_t edit = 0; edit < edits; ++edit) {
    const std::size_t at = below(text.size() + 1);
    const char byte =
        below(2) == 0 ? interesting[below(interesting.size())] : static_cast<char>(below(256));
    switch (below(6)) {
      case 0:
        if (at < text.size()) {
          text[at] = byte;
        }
        break;
      case 1:
        text.insert(at, 1, byte);
        break;
      case 2:
        if (at < text.size()) {
          text.erase(at, 1);
        }
        break;
      case 3:
      case 4: {  // a whole line lost or doubled
        const std::size_t start = text.rfind('\n', at == 0 ? 0 : at - 1);
        const std::size_t from = start == std::string::npos ? 0 : start + 1;
        const std::size_t end = text.find('\n', from);
        const std::size_t to = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(from, to - from);
        text.erase(from, to - from);
        if (below(2) == 0) {
          const std::size_t where = below(text.size() + 1);
          text.insert(where, line + line);
        }
        break;
      }
      default:
        text.resize(at);
        break;
    }
  }
  return text;
}

// Runs `checkOne` on every file of `folder` and on many damaged copies of it; the first broken
// invariant fails the test, naming the file and the mutation.
template <typename CheckOne>
void CheckMutationsOf(const fs::path& folder, CheckOne&& checkOne) {
  const std::vector<fs::path> files = FilesIn(folder);
  ASSERT_FALSE(files.empty()) << folder;
  std::mt19937 random(20261210);
  for (const fs::path& file : files) {
    const std::string original = FileContents(file);
    for (int i = 0; i < kMutationsPerFile; ++i) {
      const std::string input = i == 0 ? original : Mutated(original, random);
      try {
        checkOne(input);
      } catch (const fuzz::InvariantBroken& broken) {
        ADD_FAILURE() << file.filename() << " mutation " << i << ": " << broken.what();
        return;
      }
    }
  }
}

}  // namespace vlx::test
