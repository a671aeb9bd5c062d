#include "settings/QtFileSystem.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <cerrno>

#include "report/ErrnoCode.h"

namespace vlx {

namespace {

// The folder, created when missing; empty when it cannot be had.
std::string ExistingFolder(const QString& folder) {
  if (folder.isEmpty() || !QDir().mkpath(folder)) {
    return {};
  }
  return folder.toStdString();
}

}  // namespace

bool QtFileSystem::IsDirectory(const std::string& path) const {
  return !path.empty() && QFileInfo(QString::fromStdString(path)).isDir();
}

ErrorCode QtFileSystem::CreateDirectory(const std::string& path) {
  if (path.empty()) {
    return err::kInvalidParameter;
  }
  // Checked again after a failed mkdir: someone else may have created it in between.
  if (IsDirectory(path) || ::mkdir(path.c_str(), 0777) == 0 || IsDirectory(path)) {
    return err::kSuccess;
  }
  return ErrorCodeFromErrno(errno, FileOperation::kOther, path);
}

std::string QtFileSystem::UserDataFolder() const {
  QString folder = qEnvironmentVariable("XDG_DATA_HOME");
  if (folder.isEmpty() || QDir::isRelativePath(folder)) {
    folder = QDir::homePath() + QStringLiteral("/.local/share");
  }
  return ExistingFolder(folder);
}

std::string QtFileSystem::DocumentsFolder() const {
  return ExistingFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

ErrorCode QtFileSystem::ListDirectory(const std::string& path,
                                      std::vector<DirectoryEntry>& entries) const {
  entries.clear();
  if (path.empty()) {
    return err::kPathNotFound;
  }
  DIR* directory = ::opendir(path.c_str());
  if (directory == nullptr) {
    return ErrorCodeFromErrno(errno, FileOperation::kRead, path);
  }
  const std::string prefix = path.back() == '/' ? path : path + '/';
  errno = 0;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    // stat follows links, so a link is judged by what it leads to, and a dangling one fails.
    struct stat status {};
    EntryKind kind = EntryKind::kOther;
    if (::stat((prefix + name).c_str(), &status) == 0) {
      if (S_ISREG(status.st_mode)) {
        kind = EntryKind::kRegularFile;
      } else if (S_ISDIR(status.st_mode)) {
        kind = EntryKind::kDirectory;
      }
    }
    entries.push_back({name, kind});
    errno = 0;
  }
  const int readError = errno;
  ::closedir(directory);
  if (readError != 0) {
    entries.clear();
    return ErrorCodeFromErrno(readError, FileOperation::kRead, path);
  }
  return err::kSuccess;
}

}  // namespace vlx
