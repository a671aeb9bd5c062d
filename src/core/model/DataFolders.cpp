#include "model/DataFolders.h"

#include <algorithm>

#include "report/SettingsTextIds.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "text/Ascii.h"

namespace vlx {

namespace {

bool IsSeparator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::kWindows && c == '\\');
}

bool IsDriveLetter(char c) {
  return IsAsciiLetter(c);
}

// The length of the root that begins `path`: on POSIX the leading '/'; on Windows a drive with
// its separator ("C:\") or without ("C:"), a share ("\\server\share", its separator left out)
// or a leading separator. 0 for a relative path.
std::size_t RootLength(std::string_view path, PathStyle style) {
  if (style == PathStyle::kWindows) {
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
      return path.size() > 2 && IsSeparator(path[2], style) ? 3 : 2;
    }
    if (path.size() >= 2 && IsSeparator(path[0], style) && IsSeparator(path[1], style)) {
      // The server's name, one separator, the share's name.
      std::size_t end = 2;
      for (int part = 0; part < 2 && end < path.size(); ++part) {
        if (part == 1) {
          ++end;
        }
        while (end < path.size() && !IsSeparator(path[end], style)) {
          ++end;
        }
      }
      return end;
    }
  }
  return !path.empty() && IsSeparator(path[0], style) ? 1 : 0;
}

std::string_view WithoutTrailingSeparators(std::string_view path, PathStyle style) {
  while (!path.empty() && IsSeparator(path.back(), style)) {
    path.remove_suffix(1);
  }
  return path;
}

// The separator a new level of `folder` is joined with: on Windows the one the folder already
// uses, so that a path reads one way throughout, and '\' when it has none.
char Separator(std::string_view folder, PathStyle style) {
  if (style == PathStyle::kPosix ||
      (folder.find('/') != std::string_view::npos && folder.find('\\') == std::string_view::npos)) {
    return '/';
  }
  return '\\';
}

// The root alone, or the root followed by nothing but separators.
bool IsRoot(std::string_view path, PathStyle style) {
  const std::size_t root = RootLength(path, style);
  return root > 0 && WithoutTrailingSeparators(path, style).size() <= root;
}

ErrorCode AcceptFolder(FileSystem& fileSystem, std::string_view path, PathStyle style) {
  const std::string folder(path);
  if (IsRoot(folder, style) || fileSystem.IsDirectory(folder)) {
    return err::kSuccess;
  }
  return fileSystem.CreateDirectory(folder);
}

}  // namespace

std::string DefaultDataFolder(FileSystem& fileSystem, std::string_view leaf, PathStyle style) {
  std::string base = fileSystem.UserDataFolder();
  if (base.empty()) {
    base = fileSystem.DocumentsFolder();
  }
  if (base.empty()) {
    return {};
  }
  const std::string vendor = JoinPath(base, kVendorFolder, style);
  fileSystem.CreateDirectory(vendor);
  std::string folder = JoinPath(vendor, leaf, style);
  fileSystem.CreateDirectory(folder);
  return folder;
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style) {
  std::string path(WithoutTrailingSeparators(folder, style));
  path += Separator(folder, style);
  path += name;
  return path;
}

std::string FolderOf(std::string_view path, PathStyle style) {
  const std::size_t root = RootLength(path, style);
  std::size_t last = path.size();
  while (last > 0 && !IsSeparator(path[last - 1], style)) {
    --last;
  }
  if (last == 0) {
    return std::string(path.substr(0, root));  // a bare name, or "C:name"
  }
  const std::string_view folder = WithoutTrailingSeparators(path.substr(0, last - 1), style);
  // Not above the root: "/", "C:\" and a share stay whole.
  return std::string(folder.size() < root ? path.substr(0, root) : folder);
}

ErrorCode CreateFolderPath(FileSystem& fileSystem, std::string_view path, PathStyle style) {
  if (IsRoot(path, style)) {
    return err::kSuccess;
  }
  const std::string_view folder = WithoutTrailingSeparators(path, style);
  if (folder.empty()) {
    return err::kInvalidParameter;
  }
  // The levels inside the root are not created: a drive or a share exists or it does not.
  for (std::size_t i = std::max<std::size_t>(RootLength(folder, style), 1); i < folder.size();
       ++i) {
    if (IsSeparator(folder[i], style)) {
      if (const ErrorCode error = AcceptFolder(fileSystem, folder.substr(0, i), style)) {
        return error;
      }
    }
  }
  return AcceptFolder(fileSystem, folder, style);
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
