#pragma once
// An in-memory directory tree with chosen per-user folders, directory creation that can be made
// to fail, a log of creation attempts, and entries of other kinds (files, links) for listings.

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
  ErrorCode ListDirectory(const std::string& path,
                          std::vector<DirectoryEntry>& entries) const override;

  // Adds the directory and all its parents.
  void AddDirectory(const std::string& path);
  // Adds an entry that is no directory (a regular file, a link to one, a dangling link, a device)
  // at `path`, its folder and the folder's parents.
  void AddEntry(const std::string& path, EntryKind kind = EntryKind::kRegularFile);
  // Listing this folder fails with `error` until cleared.
  void FailListingOf(const std::string& path, ErrorCode error = err::kAccessDenied);
  // Creating this directory fails with `error` until cleared.
  void FailCreationOf(const std::string& path, ErrorCode error = err::kAccessDenied);
  void ClearFailures() {
    failures_.clear();
    listingFailures_.clear();
  }

  const std::vector<std::string>& CreationLog() const { return creationLog_; }

  std::string userDataFolder;
  std::string documentsFolder;

 private:
  std::set<std::string> directories_;
  std::map<std::string, ErrorCode> failures_;
  std::map<std::string, EntryKind> entries_;  // by full path; directories are in directories_
  std::map<std::string, ErrorCode> listingFailures_;
  std::vector<std::string> creationLog_;
};

}  // namespace vlx::test
