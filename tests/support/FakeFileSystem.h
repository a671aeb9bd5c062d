#pragma once
// An in-memory directory tree with chosen per-user folders, directory creation that can be made
// to fail, a log of creation attempts, and entries of other kinds (files, links) for listings;
// and files with contents, whose reading and replacing can be made to fail at any step.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/FileStore.h"
#include "model/FileSystem.h"

namespace vlx::test {

class FakeFileSystem : public vlx::FileSystem, public vlx::FileStore {
 public:
  bool IsDirectory(const std::string& path) const override;
  ErrorCode CreateDirectory(const std::string& path) override;
  std::string UserDataFolder() const override { return userDataFolder; }
  std::string DocumentsFolder() const override { return documentsFolder; }
  ErrorCode ListDirectory(const std::string& path,
                          std::vector<DirectoryEntry>& entries) const override;

  FileOutcome ReadWholeFile(const std::string& path, std::size_t cap, std::string& bytes) override;
  // Goes through the steps of the real binding, in its order: the temporary file "PATH.tmp" is
  // created, written, flushed, closed and moved.
  FileOutcome ReplaceWholeFile(const std::string& path, std::string_view bytes) override;

  void PutFile(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
  // Every file with its contents, temporary ones included.
  const std::map<std::string, std::string>& Files() const { return files_; }
  // The step (one of file_step) fails with `error` on every file until cleared.
  void FailStep(const std::string& step, ErrorCode error) { stepFailures_[step] = error; }

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
    stepFailures_.clear();
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
  std::map<std::string, std::string> files_;
  std::map<std::string, ErrorCode> stepFailures_;
};

}  // namespace vlx::test
