#pragma once
// The local file operations of an FTP copy: a fetch lands in a temporary file of our own in the
// firmware folder, which is checked, synced and renamed over the real name, or removed. Real
// files on the desktop, an in-memory folder in tests (where any step can be made to fail).

#include <cstdint>
#include <memory>
#include <string>

#include "report/ErrorCode.h"

namespace vlx {

class ByteSource;

class FtpLocalFiles {
 public:
  virtual ~FtpLocalFiles() = default;

  // Creates a new, empty file named FtpTemporaryName(name, suffix) in `folder`, with a suffix
  // no existing file has; never opens a file that was there before. `path` is the new file's.
  // Fails with 3 when the folder is missing, 5 without the right to write in it.
  virtual ErrorCode CreateExclusive(const std::string& folder, const std::string& name,
                                    std::string& path) = 0;
  virtual ErrorCode Size(const std::string& path, std::uint64_t& size) const = 0;
  // Puts what was written to the file on the disk, so a rename never publishes an empty file.
  virtual ErrorCode Sync(const std::string& path) = 0;
  // Moves `from` over `to` in one step: `to` is either the old file or the new one, never half.
  virtual ErrorCode Rename(const std::string& from, const std::string& to) = 0;
  virtual ErrorCode Remove(const std::string& path) = 0;
  // The file's bytes, for the checks that read it.
  virtual ErrorCode OpenForReading(const std::string& path,
                                   std::unique_ptr<ByteSource>& source) = 0;
};

}  // namespace vlx
