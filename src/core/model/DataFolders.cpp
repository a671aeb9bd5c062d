#include "model/DataFolders.h"

#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {

namespace {

std::string_view WithoutTrailingSlashes(std::string_view path) {
  const std::size_t end = path.find_last_not_of('/');
  return end == std::string_view::npos ? std::string_view() : path.substr(0, end + 1);
}

bool IsRoot(std::string_view path) {
  return !path.empty() && path.find_first_not_of('/') == std::string_view::npos;
}

ErrorCode AcceptFolder(FileSystem& fileSystem, std::string_view path) {
  const std::string folder(path);
  if (IsRoot(folder) || fileSystem.IsDirectory(folder)) {
    return err::kSuccess;
  }
  return fileSystem.CreateDirectory(folder);
}

}  // namespace

std::string DefaultDataFolder(FileSystem& fileSystem, std::string_view leaf) {
  std::string base = fileSystem.UserDataFolder();
  if (base.empty()) {
    base = fileSystem.DocumentsFolder();
  }
  if (base.empty()) {
    return {};
  }
  const std::string vendor = JoinPath(base, kVendorFolder);
  fileSystem.CreateDirectory(vendor);
  std::string folder = JoinPath(vendor, leaf);
  fileSystem.CreateDirectory(folder);
  return folder;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(WithoutTrailingSlashes(folder));
  path += '/';
  path += name;
  return path;
}

std::string FolderOf(std::string_view path) {
  const std::size_t lastSlash = path.rfind('/');
  if (lastSlash == std::string_view::npos) {
    return {};
  }
  const std::string_view folder = WithoutTrailingSlashes(path.substr(0, lastSlash));
  return folder.empty() ? std::string("/") : std::string(folder);
}

ErrorCode CreateFolderPath(FileSystem& fileSystem, std::string_view path) {
  if (IsRoot(path)) {
    return err::kSuccess;
  }
  const std::string_view folder = WithoutTrailingSlashes(path);
  if (folder.empty()) {
    return err::kInvalidParameter;
  }
  // Index 0 is skipped: a leading '/' is the root, which always exists.
  for (std::size_t i = 1; i < folder.size(); ++i) {
    if (folder[i] == '/') {
      if (const ErrorCode error = AcceptFolder(fileSystem, folder.substr(0, i))) {
        return error;
      }
    }
  }
  return AcceptFolder(fileSystem, folder);
}

bool EnsureFolderExists(FileSystem& fileSystem, Prompts& prompts, const std::string& path) {
  while (!fileSystem.IsDirectory(path)) {
    const int answer = prompts.MessageBox(FormatText(ids::kFolderMissingAsk, {path}),
                                          std::string(LoadString(ids::kCreateFolderCaption)),
                                          mb::kYesNo | mb::kIconInformation);
    if (answer != mb::kIdYes) {
      return false;
    }
    CreateFolderPath(fileSystem, path);
  }
  return true;
}

}  // namespace vlx
