#pragma once
// The file-system services the model needs from the platform: the per-user folders, directory
// creation and listing. Real folders on the desktop, an in-memory tree in tests.

#include <string>
#include <vector>

#include "report/ErrorCode.h"

namespace vlx {

// What an entry of a folder is, links followed: a link to a regular file is a regular file, a
// dangling link is kOther.
enum class EntryKind { kRegularFile, kDirectory, kOther };

struct DirectoryEntry {
  std::string name;  // the entry's own name, without its folder
  EntryKind kind;
};

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
  // Every entry of the folder but "." and "..", in no particular order. Fails with the system's
  // code when the folder is missing or cannot be read; `entries` is then empty.
  virtual ErrorCode ListDirectory(const std::string& path,
                                  std::vector<DirectoryEntry>& entries) const = 0;
};

}  // namespace vlx
