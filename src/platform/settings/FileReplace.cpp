#include "settings/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "SystemError.h"

namespace vlx {
namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

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

ErrorCode CreateFolderPath(const std::string& folder) {
  if (folder.empty() || IsFolder(folder)) {
    return err::kSuccess;
  }
  const std::size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (const ErrorCode code = CreateFolderPath(folder.substr(0, slash)); code != err::kSuccess) {
      return code;
    }
  }
  // Someone else may have created it in between.
  if (::mkdir(folder.c_str(), 0777) == 0 || IsFolder(folder)) {
    return err::kSuccess;
  }
  return ErrorCodeFromErrno(errno, FileOperation::kOther, folder);
}

ErrorCode ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (const ErrorCode code = CreateFolderPath(path.substr(0, slash)); code != err::kSuccess) {
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
