#include "SavedFileTarget.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "report/PrintableName.h"

namespace vlx {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The safe replace writes a temporary file beside the target, so the folder must take new files
// even when a file is replaced.
std::optional<std::string> RefusalOfFolder(const std::string& folder) {
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return "vlxctl: cannot write into the folder \"" + PrintableName(folder) +
           "\": " + std::strerror(errno);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> RefusalToSave(const std::string& path, bool force) {
  // A bare name is in the current folder.
  const fs::path parent = fs::path(path).parent_path();
  const std::string folder = parent.empty() ? std::string(".") : parent.string();
  if (!IsFolder(folder)) {
    return "vlxctl: the folder of \"" + PrintableName(path) + "\" does not exist";
  }
  std::error_code error;
  // The link itself, never what it points to.
  const fs::file_status status = fs::symlink_status(path, error);
  if (fs::is_directory(status)) {
    return "vlxctl: \"" + PrintableName(path) + "\" is a folder; name the file to write";
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    return "vlxctl: \"" + PrintableName(path) + "\" is not a regular file; it is never replaced";
  }
  if (fs::exists(status) && !force) {
    return "vlxctl: \"" + PrintableName(path) + "\" exists; add --force to replace it";
  }
  return RefusalOfFolder(folder);
}

std::optional<std::string> RefusalToSaveInto(const std::string& target, bool force) {
  if (IsFolder(target)) {
    return RefusalOfFolder(target);
  }
  return RefusalToSave(target, force);
}

}  // namespace vlx
