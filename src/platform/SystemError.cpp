#include "SystemError.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace vlx {
namespace {

// ENOENT does not say whether the file or a folder on its way is missing; Windows does, and the
// user is helped by knowing which.
bool FolderOfPathIsMissing(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string_view::npos || slash == 0) {
    return false;  // the current folder, or the root: both exist
  }
  struct stat info {};
  return ::stat(std::string(path.substr(0, slash)).c_str(), &info) != 0 || !S_ISDIR(info.st_mode);
}

}  // namespace

ErrorCode ErrorCodeFromErrno(int error, FileOperation operation, std::string_view path) {
  switch (error) {
    case 0:
      return err::kSuccess;
    case ENOENT:
      return !path.empty() && FolderOfPathIsMissing(path) ? err::kPathNotFound : err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
      return err::kAccessDenied;
    case ENOMEM:
      return err::kOutOfMemory;
    case EEXIST:
      return err::kAlreadyExists;
    case ENOSPC:
    case EDQUOT:
      return err::kDiskFull;
    case ENAMETOOLONG:
      return err::kFilenameTooLong;
    case EIO:
      if (operation == FileOperation::kRead) {
        return err::kReadFault;
      }
      if (operation == FileOperation::kWrite) {
        return err::kWriteFault;
      }
      break;
    default:
      break;
  }
  return err::FromErrno(error);
}

}  // namespace vlx
