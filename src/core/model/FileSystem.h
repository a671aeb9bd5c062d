#pragma once
// The file-system services the model needs from the platform: the per-user folders and
// directory creation. Real folders on the desktop, an in-memory tree in tests.

#include <string>

#include "report/ErrorCode.h"

namespace vlx {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool IsDirectory(const std::string& path) const = 0;
  // Creates one directory whose parent exists. A directory that already exists is a success.
  virtual ErrorCode CreateDirectory(const std::string& path) = 0;
  // The per-user application-data folder, created when missing; empty when it is unknown or
  // cannot be created.
  virtual std::string UserDataFolder() const = 0;
  // The user's documents folder, the fallback for the data folders; same rules.
  virtual std::string DocumentsFolder() const = 0;
};

}  // namespace vlx
