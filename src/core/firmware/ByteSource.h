#pragma once
// Where the Intel HEX reader takes its text from, piece by piece: a file read in fixed-size
// chunks, or text already in memory (tests, fuzzing). No mapping, no copy of the whole text.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/ErrorCode.h"

namespace vlx {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The next piece of text in `chunk`, empty at the end; it stays valid until the next call.
  // Returns 0, or the code of a failed read (the chunk is then empty).
  virtual ErrorCode Next(std::string_view& chunk) = 0;
};

class MemorySource final : public ByteSource {
 public:
  // Hands the text over whole, or in pieces of `chunkSize` bytes: tests and the fuzz target cut
  // it at every place a file's chunks could.
  explicit MemorySource(std::string_view text, std::size_t chunkSize = std::string_view::npos)
      : text_(text), chunkSize_(chunkSize == 0 ? 1 : chunkSize) {}
  ErrorCode Next(std::string_view& chunk) override;

 private:
  std::string_view text_;
  std::size_t chunkSize_;
};

class FileSource final : public ByteSource {
 public:
  static constexpr std::size_t kChunkSize = 64 * 1024;
  // Far above the text of any image, even in one-byte records with every kind of record around
  // them.
  static constexpr std::uintmax_t kMaxFileSize = 16 * 1024 * 1024;

  // 0, 2 for a missing file, 3 for a missing folder on the way, 5 without permission or for
  // something that is not a file (a device, a pipe), 223 for a file larger than kMaxFileSize, or
  // the C library's own code.
  ErrorCode Open(const std::string& path);
  // A folder opens on some systems and fails at its first read: 5 then, as where it cannot open.
  ErrorCode Next(std::string_view& chunk) override;

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::vector<char> buffer_;
};

}  // namespace vlx
