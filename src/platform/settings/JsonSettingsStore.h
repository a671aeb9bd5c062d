#pragma once
// The settings store on disk: one JSON document per user that keeps every value with its type,
//
//   {"values":  {"Port": {"type": "string", "value": "/dev/ttyUSB0"},
//                "Trace": {"type": "dword", "value": 0}, ...},
//    "subkeys": {"Window": {"flags": {"type": "dword", "value": 0}, ...}}}
//
// Each write reads the file again under a lock file beside it and changes only its own key, so
// programs sharing the file (two windows, a window and vlxctl) never undo each other's values.
// Entries it cannot read are kept; a file it cannot read is copied aside before it is replaced.

#include <QJsonObject>
#include <QString>
#include <string>

#include "model/SettingsStore.h"

namespace vlx {

// ($XDG_CONFIG_HOME when set and absolute, else ~/.config) + "/Velqorin/VLX Utility.json".
QString DefaultSettingsPath();

// What a write does to a file that could not be used: the window copies it aside and starts a
// new one; vlxctl, which only borrows the window's settings, leaves it for the window to deal
// with, so its writes are refused and it goes on with the defaults.
enum class UnusableFile { kKeptAsideOnWrite, kLeftAlone };

class JsonSettingsStore : public SettingsStore {
 public:
  explicit JsonSettingsStore(QString path = DefaultSettingsPath(),
                             UnusableFile unusable = UnusableFile::kKeptAsideOnWrite);

  std::optional<StoredValue> Read(const std::string& subkey,
                                  const std::string& name) const override;
  ErrorCode WriteDword(const std::string& subkey, const std::string& name,
                       std::uint32_t value) override;
  ErrorCode WriteString(const std::string& subkey, const std::string& name,
                        const std::string& value) override;

  // Why the file could not be used and where it will be kept; empty when it loaded fine or
  // did not exist.
  std::string LoadProblem() const { return loadProblem_; }
  // Why the file could not be used, for a host that words it itself; empty as LoadProblem is.
  std::string UnusableReason() const { return unusableReason_; }
  const QString& Path() const { return path_; }

 private:
  void MarkUnusable(const QString& reason);
  ErrorCode Write(const std::string& subkey, const std::string& name, const QJsonObject& entry);
  ErrorCode SetBadFileAside();
  ErrorCode Persist(const QJsonObject& root) const;

  QString path_;
  UnusableFile unusable_;
  QJsonObject root_;
  std::string loadProblem_;
  std::string unusableReason_;
  // Where an unusable file goes before a write replaces it; named when the file is found unusable.
  QString asidePath_;
};

}  // namespace vlx
