#include "settings/QtFileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

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
  const QString folder = QString::fromStdString(path);
  if (folder.isEmpty()) {
    return err::kInvalidParameter;
  }
  // Checked again after a failed mkdir: someone else may have created it in between.
  if (QFileInfo(folder).isDir() || QDir().mkdir(folder) || QFileInfo(folder).isDir()) {
    return err::kSuccess;
  }
  const QFileInfo info(folder);
  if (!info.exists() && !QFileInfo(info.absolutePath()).isDir()) {
    return err::kFileNotFound;
  }
  return err::kAccessDenied;
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
