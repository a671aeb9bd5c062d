#include "files/FileReplace.h"

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

// A new name beside `path`, created exclusively, with the replaced file's mode or, for a new
// file, `newFileMode` under the umask.
int CreateTemporary(const std::string& path, mode_t newFileMode, FileCalls& calls,
                    std::string& temporary) {
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode;
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path + ".tmp" + std::to_string(random() % 1000000);
    const int file = calls.Open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
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

// A rename is on the disk only once its folder is. A folder we may not open, or a system that
// cannot sync one, only loses that guarantee; a disk that fails the sync is reported.
FileOutcome SyncFolderOf(const std::string& path, FileCalls& calls) {
  const std::string folder = FolderOf(path);
  const int descriptor =
      calls.Open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  return descriptor < 0 ? FileOutcome{} : SyncAndClose(descriptor, calls);
}

}  // namespace

ErrorCode CreateFolderOf(const std::string& path) {
  const std::string folder = FolderOf(path);
  QtFileSystem files;
  return folder.empty() ? err::kSuccess : CreateFolderPath(files, folder);
}

FileOutcome SyncAndClose(int descriptor, FileCalls& calls) {
  // EINVAL: the system cannot sync this kind of file, so there is nothing to wait for.
  if (calls.Sync(descriptor) != 0 && errno != EINVAL) {
    const FileOutcome failed = Failed(file_step::kFlush, FileOperation::kWrite);
    calls.Close(descriptor);
    return failed;
  }
  return calls.Close(descriptor) == 0 ? FileOutcome{}
                                      : Failed(file_step::kClose, FileOperation::kWrite);
}

FileOutcome MoveIntoPlace(const std::string& temporary, const std::string& path, FileCalls& calls) {
  if (!IsReplaceable(path)) {
    return {err::kAccessDenied, file_step::kMove};
  }
  if (calls.Rename(temporary.c_str(), path.c_str()) != 0) {
    return Failed(file_step::kMove, FileOperation::kWrite, path);
  }
  return SyncFolderOf(path, calls);
}

FileOutcome ReplaceFile(const std::string& path, std::string_view bytes, unsigned newFileMode,
                        FileCalls& calls) {
  if (const ErrorCode code = CreateFolderOf(path); code != err::kSuccess) {
    return {code, file_step::kCreate};
  }
  if (!IsReplaceable(path)) {
    return {err::kAccessDenied, file_step::kCreate};
  }
  std::string temporary;
  const int file = CreateTemporary(path, static_cast<mode_t>(newFileMode), calls, temporary);
  if (file < 0) {
    return Failed(file_step::kCreate, FileOperation::kWrite, path);
  }
  // Synced before the rename, so a crash right after it cannot leave an empty file behind.
  FileOutcome outcome;
  if (const ErrorCode code = WriteAll(file, bytes, {}, calls); code != err::kSuccess) {
    outcome = {code, file_step::kWrite};
    calls.Close(file);
  } else {
    outcome = SyncAndClose(file, calls);
  }
  if (!outcome.Succeeded()) {
    ::unlink(temporary.c_str());
    return outcome;
  }
  outcome = MoveIntoPlace(temporary, path, calls);
  if (std::string_view(outcome.step) == file_step::kMove) {
    ::unlink(temporary.c_str());  // not renamed: the old file stands
  }
  return outcome;
}

}  // namespace vlx
