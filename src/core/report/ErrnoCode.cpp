#include "report/ErrnoCode.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace vlx {
namespace {

bool FolderOfPathIsMissing(std::string_view path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) {
    return false;  // the current folder: it exists
  }
  std::error_code error;
  return !std::filesystem::is_directory(folder, error);
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
    case EISDIR:  // a folder opened as a file: the system refuses it as access denied
      return err::kAccessDenied;
    case ENOMEM:
      return err::kOutOfMemory;
    case EEXIST:
      return err::kAlreadyExists;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
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
