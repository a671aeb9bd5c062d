#include "files/PosixFtpLocalFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string_view>

#include "files/FileReplace.h"
#include "firmware/ByteSource.h"
#include "firmware/FtpNames.h"
#include "model/DataFolders.h"
#include "report/ErrnoCode.h"

namespace vlx {
namespace {

constexpr int kCreateAttempts = 100;
constexpr std::string_view kSuffixCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kSuffixLength = 6;

ErrorCode LastError(FileOperation operation, const std::string& path = {}) {
  return ErrorCodeFromErrno(errno, operation, path);
}

}  // namespace

ErrorCode PosixFtpLocalFiles::CreateExclusive(const std::string& folder, const std::string& name,
                                              std::string& path) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> pick(0, kSuffixCharacters.size() - 1);
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    std::string suffix;
    for (std::size_t i = 0; i < kSuffixLength; ++i) {
      suffix += kSuffixCharacters[pick(random)];
    }
    path = JoinPath(folder, FtpTemporaryName(name, suffix));
    // O_NOFOLLOW with O_EXCL: neither an existing file nor a link planted under the name is
    // ever opened.
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      ::close(descriptor);
      return err::kSuccess;
    }
    if (errno != EEXIST) {
      const ErrorCode code = LastError(FileOperation::kWrite, path);
      path.clear();
      return code;
    }
  }
  path.clear();
  return err::kAlreadyExists;
}

ErrorCode PosixFtpLocalFiles::Size(const std::string& path, std::uint64_t& size) const {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    return LastError(FileOperation::kRead, path);
  }
  if (!S_ISREG(info.st_mode)) {
    return err::kAccessDenied;
  }
  size = static_cast<std::uint64_t>(info.st_size);
  return err::kSuccess;
}

ErrorCode PosixFtpLocalFiles::Sync(const std::string& path) {
  const int descriptor = calls_.Open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
  if (descriptor < 0) {
    return LastError(FileOperation::kWrite, path);
  }
  return SyncAndClose(descriptor, calls_).code;
}

ErrorCode PosixFtpLocalFiles::Rename(const std::string& from, const std::string& to) {
  return MoveIntoPlace(from, to, calls_).code;
}

ErrorCode PosixFtpLocalFiles::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? err::kSuccess : LastError(FileOperation::kWrite, path);
}

ErrorCode PosixFtpLocalFiles::OpenForReading(const std::string& path,
                                             std::unique_ptr<ByteSource>& source) {
  auto file = std::make_unique<FileSource>();
  if (const ErrorCode code = file->Open(path); code != err::kSuccess) {
    return code;
  }
  source = std::move(file);
  return err::kSuccess;
}

}  // namespace vlx
