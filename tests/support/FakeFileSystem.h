#pragma once
// An in-memory directory tree with chosen per-user folders, directory creation that can be made
// to fail, and a log of creation attempts.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/FileSystem.h"

namespace vlx::test {

class FakeFileSystem : public vlx::FileSystem {
 public:
  bool IsDirectory(const std::string& path) const override;
  ErrorCode CreateDirectory(const std::string& path) override;
  std::string UserDataFolder() const override { return userDataFolder; }
  std::string DocumentsFolder() const override { return documentsFolder; }

  // Adds the directory and all its parents.
  void AddDirectory(const std::string& path);
  // Creating this directory fails with `error` until cleared.
  void FailCreationOf(const std::string& path, ErrorCode error = err::kAccessDenied);
  void ClearFailures() { failures_.clear(); }

  const std::vector<std::string>& CreationLog() const { return creationLog_; }

  std::string userDataFolder;
  std::string documentsFolder;

 private:
  std::set<std::string> directories_;
  std::map<std::string, ErrorCode> failures_;
  std::vector<std::string> creationLog_;
};

}  // namespace vlx::test
