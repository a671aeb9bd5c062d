#include "settings/FileReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "SystemError.h"
#include "model/DataFolders.h"
#include "settings/QtFileSystem.h"

namespace vlx {
namespace {

ErrorCode WriteAll(int file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(file, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return ErrorCodeFromErrno(errno, FileOperation::kWrite);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  // Synced before the rename, so a crash right after it cannot leave an empty file behind.
  return ::fsync(file) == 0 ? err::kSuccess : ErrorCodeFromErrno(errno, FileOperation::kWrite);
}

}  // namespace

ErrorCode ReplaceFile(const std::string& path, std::string_view bytes) {
  if (const std::string folder = FolderOf(path); !folder.empty()) {
    QtFileSystem files;
    if (const ErrorCode code = CreateFolderPath(files, folder); code != err::kSuccess) {
      return code;
    }
  }
  std::string temporary = path + ".XXXXXX";
  const int file = ::mkstemp(temporary.data());
  if (file < 0) {
    return ErrorCodeFromErrno(errno, FileOperation::kWrite, path);
  }
  ErrorCode code = WriteAll(file, bytes);
  if (::close(file) != 0 && code == err::kSuccess) {
    code = ErrorCodeFromErrno(errno, FileOperation::kWrite);
  }
  if (code == err::kSuccess && ::rename(temporary.c_str(), path.c_str()) != 0) {
    code = ErrorCodeFromErrno(errno, FileOperation::kWrite, path);
  }
  if (code != err::kSuccess) {
    ::unlink(temporary.c_str());
  }
  return code;
}

}  // namespace vlx
