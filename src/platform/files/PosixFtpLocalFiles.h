#pragma once
// The FTP copy's local file operations on a POSIX system: exclusive creation with open(O_EXCL),
// unlink, and the sync and rename of the program's one safe replace, failures in the program's
// codes through the shared errno table.

#include "files/FileCalls.h"
#include "firmware/FtpLocalFiles.h"

namespace vlx {

class PosixFtpLocalFiles final : public FtpLocalFiles {
 public:
  explicit PosixFtpLocalFiles(FileCalls& calls = FileCalls::System()) : calls_(calls) {}

  ErrorCode CreateExclusive(const std::string& folder, const std::string& name,
                            std::string& path) override;
  ErrorCode Size(const std::string& path, std::uint64_t& size) const override;
  ErrorCode Sync(const std::string& path) override;
  // Also syncs the folder, so the new name survives a crash right after. Only a regular file is
  // ever replaced.
  ErrorCode Rename(const std::string& from, const std::string& to) override;
  ErrorCode Remove(const std::string& path) override;
  ErrorCode OpenForReading(const std::string& path, std::unique_ptr<ByteSource>& source) override;

 private:
  FileCalls& calls_;
};

}  // namespace vlx
