#include "settings/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "files/WriteAll.h"
#include "model/DataFolders.h"
#include "report/ErrnoCode.h"
#include "settings/QtFileSystem.h"

namespace vlx {
namespace {

FileOutcome Failed(const char* step, FileOperation operation, const std::string& path = {}) {
  return {ErrorCodeFromErrno(errno, operation, path), step};
}

FileOutcome WriteAndSync(int file, std::string_view bytes) {
  if (const ErrorCode code = WriteAll(file, bytes); code != err::kSuccess) {
    return {code, file_step::kWrite};
  }
  // Synced before the rename, so a crash right after it cannot leave an empty file behind.
  if (::fsync(file) != 0) {
    return Failed(file_step::kFlush, FileOperation::kWrite);
  }
  return {};
}

// A new name beside `path`, created exclusively, with the replaced file's mode or, for a new
// file, `newFileMode` under the umask.
int CreateTemporary(const std::string& path, mode_t newFileMode, std::string& temporary) {
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode;
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path + ".tmp" + std::to_string(random() % 1000000);
    const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (file >= 0) {
      // open() applies the umask; a replaced file keeps exactly the mode it had.
      if (old.st_mode != 0) {
        ::fchmod(file, mode);
      }
      return file;
    }
    if (errno != EEXIST) {
      return -1;
    }
  }
  return -1;
}

// Only a regular file is ever replaced: renaming over anything else would turn a device node, a
// pipe or a link (followed nowhere) into a plain file, which for a node such as /dev/null run as
// root would damage the system.
bool IsReplaceable(const std::string& path) {
  struct stat existing {};
  return ::lstat(path.c_str(), &existing) != 0 || S_ISREG(existing.st_mode);
}

}  // namespace

FileOutcome ReplaceFile(const std::string& path, std::string_view bytes, unsigned newFileMode) {
  if (const std::string folder = FolderOf(path); !folder.empty()) {
    QtFileSystem files;
    if (const ErrorCode code = CreateFolderPath(files, folder); code != err::kSuccess) {
      return {code, file_step::kCreate};
    }
  }
  if (!IsReplaceable(path)) {
    return {err::kAccessDenied, file_step::kCreate};
  }
  std::string temporary;
  const int file = CreateTemporary(path, static_cast<mode_t>(newFileMode), temporary);
  if (file < 0) {
    return Failed(file_step::kCreate, FileOperation::kWrite, path);
  }
  FileOutcome outcome = WriteAndSync(file, bytes);
  if (::close(file) != 0 && outcome.Succeeded()) {
    outcome = Failed(file_step::kClose, FileOperation::kWrite);
  }
  if (outcome.Succeeded() && ::rename(temporary.c_str(), path.c_str()) != 0) {
    outcome = Failed(file_step::kMove, FileOperation::kWrite, path);
  }
  if (!outcome.Succeeded()) {
    ::unlink(temporary.c_str());
  }
  return outcome;
}

}  // namespace vlx
