#include "SavedFileTarget.h"
#include "report/PrintableName.h"

#include <filesystem>
#include <system_error>

namespace vlx {

std::optional<std::string> RefusalToSave(const std::string& path, bool force) {
  std::error_code error;
  // The link itself, never what it points to.
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  if (!std::filesystem::exists(status)) {
    return std::nullopt;
  }
  if (!std::filesystem::is_regular_file(status)) {
    return "vlxctl: \"" + PrintableName(path) + "\" is not a regular file; it is never replaced";
  }
  if (!force) {
    return "vlxctl: \"" + PrintableName(path) + "\" exists; add --force to replace it";
  }
  return std::nullopt;
}

}  // namespace vlx
