#pragma once
// The model's file-system services on the desktop: the per-user data and documents folders and
// directory creation, through Qt.

#include "model/FileSystem.h"

namespace vlx {

class QtFileSystem : public FileSystem {
 public:
  bool IsDirectory(const std::string& path) const override;
  ErrorCode CreateDirectory(const std::string& path) override;
  // $XDG_DATA_HOME when set and absolute, else ~/.local/share.
  std::string UserDataFolder() const override;
  std::string DocumentsFolder() const override;
};

}  // namespace vlx
