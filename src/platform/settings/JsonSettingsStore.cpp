#include "settings/JsonSettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLockFile>
#include <cerrno>
#include <cmath>
#include <utility>

#include "files/FileReplace.h"
#include "report/ErrnoCode.h"

namespace vlx {

namespace {

// Far above anything the program writes; a bigger file is not ours and is not read into memory.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
// A write holds the lock for milliseconds; a program that keeps it longer is stuck, and the value
// is given up rather than the window frozen.
constexpr int kLockWaitMs = 2000;

const QString kValuesKey = QStringLiteral("values");
const QString kSubkeysKey = QStringLiteral("subkeys");
const QString kTypeKey = QStringLiteral("type");
const QString kValueKey = QStringLiteral("value");
const QString kDwordType = QStringLiteral("dword");
const QString kStringType = QStringLiteral("string");

// Why the document cannot be used as a whole; empty when its shape is right. Single entries
// are checked only when read.
QString ShapeProblem(const QJsonObject& root) {
  if (root.contains(kValuesKey) && !root[kValuesKey].isObject()) {
    return QStringLiteral("\"values\" is not an object");
  }
  if (!root.contains(kSubkeysKey)) {
    return {};
  }
  if (!root[kSubkeysKey].isObject()) {
    return QStringLiteral("\"subkeys\" is not an object");
  }
  const QJsonObject subkeys = root[kSubkeysKey].toObject();
  for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
    if (!it.value().isObject()) {
      return QStringLiteral("subkey \"%1\" is not an object").arg(it.key());
    }
  }
  return {};
}

std::optional<SettingsStore::StoredValue> ParseEntry(const QJsonValue& json) {
  const QJsonObject entry = json.toObject();
  const QString type = entry[kTypeKey].toString();
  const QJsonValue value = entry[kValueKey];
  if (type == kDwordType && value.isDouble()) {
    const double number = value.toDouble();
    if (number >= 0 && number <= 4294967295.0 && std::floor(number) == number) {
      return SettingsStore::StoredValue{
          SettingsStore::Type::kDword, static_cast<std::uint32_t>(number), {}};
    }
  } else if (type == kStringType && value.isString()) {
    return SettingsStore::StoredValue{SettingsStore::Type::kString, 0,
                                      value.toString().toStdString()};
  }
  return std::nullopt;
}

// What the file holds now: its document, or why it cannot be used. A missing file is empty.
struct FileDocument {
  QJsonObject root;
  QString problem;
};

FileDocument ReadDocument(const QString& path) {
  QFile file(path);
  if (!file.exists()) {
    return {};  // the first run
  }
  if (!file.open(QIODevice::ReadOnly)) {
    return {{}, QStringLiteral("it cannot be read (%1)").arg(file.errorString())};
  }
  const QByteArray bytes = file.read(kMaxFileBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    return {{}, QStringLiteral("it cannot be read (%1)").arg(file.errorString())};
  }
  if (bytes.size() > kMaxFileBytes) {
    return {{}, QStringLiteral("it is too large")};
  }
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    return {{},
            QStringLiteral("it is not valid JSON (%1 at offset %2)")
                .arg(parseError.errorString())
                .arg(parseError.offset)};
  }
  if (!document.isObject()) {
    return {{}, QStringLiteral("it does not hold a settings object")};
  }
  if (const QString problem = ShapeProblem(document.object()); !problem.isEmpty()) {
    return {{}, QStringLiteral("its %1").arg(problem)};
  }
  return {document.object(), {}};
}

// Why the lock beside the file could not be had, in the program's codes.
ErrorCode LockFailure(QLockFile::LockError error) {
  switch (error) {
    case QLockFile::PermissionError:
      return err::kAccessDenied;
    case QLockFile::LockFailedError:  // another program held it through the whole wait
      return ErrorCodeFromErrno(EWOULDBLOCK);
    default:
      return err::kWriteFault;
  }
}

// "<path>.corrupt-YYYYMMDD-HHMMSS", with a counter when that name is taken.
QString FreeAsidePath(const QString& path) {
  const QString base = path + QStringLiteral(".corrupt-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString candidate = base;
  for (int n = 1; QFileInfo::exists(candidate); ++n) {
    candidate = base + QStringLiteral("-%1").arg(n);
  }
  return candidate;
}

}  // namespace

QString DefaultSettingsPath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) {
    base = QDir::homePath() + QStringLiteral("/.config");
  }
  return base + QStringLiteral("/Velqorin/VLX Utility.json");
}

JsonSettingsStore::JsonSettingsStore(QString path, UnusableFile unusable)
    : path_(std::move(path)), unusable_(unusable) {
  FileDocument contents = ReadDocument(path_);
  if (!contents.problem.isEmpty()) {
    MarkUnusable(contents.problem);
    return;
  }
  root_ = std::move(contents.root);
}

void JsonSettingsStore::MarkUnusable(const QString& reason) {
  root_ = QJsonObject();
  asidePath_ = FreeAsidePath(path_);
  unusableReason_ = reason.toStdString();
  loadProblem_ = QStringLiteral(
                     "The settings file \"%1\" could not be used: %2. The default settings are "
                     "used; the file will be kept as \"%3\".")
                     .arg(path_, reason, asidePath_)
                     .toStdString();
}

std::optional<SettingsStore::StoredValue> JsonSettingsStore::Read(const std::string& subkey,
                                                                  const std::string& name) const {
  const QJsonObject section =
      subkey.empty() ? root_[kValuesKey].toObject()
                     : root_[kSubkeysKey].toObject()[QString::fromStdString(subkey)].toObject();
  const QString key = QString::fromStdString(name);
  if (!section.contains(key)) {
    return std::nullopt;
  }
  return ParseEntry(section[key]);
}

ErrorCode JsonSettingsStore::WriteDword(const std::string& subkey, const std::string& name,
                                        std::uint32_t value) {
  return Write(subkey, name,
               QJsonObject{{kTypeKey, kDwordType}, {kValueKey, static_cast<qint64>(value)}});
}

ErrorCode JsonSettingsStore::WriteString(const std::string& subkey, const std::string& name,
                                         const std::string& value) {
  return Write(subkey, name,
               QJsonObject{{kTypeKey, kStringType}, {kValueKey, QString::fromStdString(value)}});
}

ErrorCode JsonSettingsStore::Write(const std::string& subkey, const std::string& name,
                                   const QJsonObject& entry) {
  // The lock file needs the folder.
  if (const ErrorCode code = CreateFolderOf(path_.toStdString()); code != err::kSuccess) {
    return code;
  }
  // Another program on the same file (a second window, vlxctl) may have written since this one
  // read it: under the lock the file is read again and only this value changes, so neither
  // undoes the other.
  QLockFile lock(path_ + QStringLiteral(".lock"));
  if (!lock.tryLock(kLockWaitMs)) {
    return LockFailure(lock.error());
  }
  FileDocument current = ReadDocument(path_);
  if (!current.problem.isEmpty()) {
    if (unusable_ == UnusableFile::kLeftAlone) {
      return err::kAccessDenied;  // the file stays as it is, for the window to keep aside
    }
    if (asidePath_.isEmpty() || QFileInfo::exists(asidePath_)) {
      asidePath_ = FreeAsidePath(path_);
    }
    if (const ErrorCode error = SetBadFileAside()) {
      return error;
    }
    current.root = root_;  // what this program last knew to be in it
  }
  QJsonObject root = std::move(current.root);
  const QString key = QString::fromStdString(name);
  if (subkey.empty()) {
    QJsonObject values = root[kValuesKey].toObject();
    values[key] = entry;
    root[kValuesKey] = values;
  } else {
    const QString subkeyName = QString::fromStdString(subkey);
    QJsonObject subkeys = root[kSubkeysKey].toObject();
    QJsonObject section = subkeys[subkeyName].toObject();
    section[key] = entry;
    subkeys[subkeyName] = section;
    root[kSubkeysKey] = subkeys;
  }
  if (const ErrorCode error = Persist(root)) {
    return error;  // memory keeps what the file last held
  }
  root_ = std::move(root);
  return err::kSuccess;
}

ErrorCode JsonSettingsStore::SetBadFileAside() {
  // A copy leaves the old file in place should the new one fail to be written; a file we may
  // not read can still be moved.
  if (QFileInfo::exists(path_) && !QFile::copy(path_, asidePath_) &&
      !QFile::rename(path_, asidePath_)) {
    return err::kAccessDenied;
  }
  asidePath_.clear();
  return err::kSuccess;
}

ErrorCode JsonSettingsStore::Persist(const QJsonObject& root) const {
  const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
  // The settings stay the user's own, as they were when a temporary file made them.
  return ReplaceFile(path_.toStdString(), std::string_view(bytes.constData(), bytes.size()), 0600)
      .code;
}

}  // namespace vlx
