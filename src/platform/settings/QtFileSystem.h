#pragma once
// The model's file-system services on the desktop: the per-user data and documents folders and
// directory creation and listing, through Qt and POSIX.

#include "model/FileSystem.h"

namespace vlx {

class QtFileSystem : public FileSystem {
 public:
  bool IsDirectory(const std::string& path) const override;
  ErrorCode CreateDirectory(const std::string& path) override;
  // $XDG_DATA_HOME when set and absolute, else ~/.local/share.
  std::string UserDataFolder() const override;
  std::string DocumentsFolder() const override;
  ErrorCode ListDirectory(const std::string& path,
                          std::vector<DirectoryEntry>& entries) const override;
};

}  // namespace vlx
