#include "settings/QtFileSystem.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <cerrno>

#include "SystemError.h"

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

}  // namespace vlx
