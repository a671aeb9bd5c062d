#pragma once
// An in-memory directory tree with chosen per-user folders, directory creation that can be made
// to fail, a log of creation attempts, and entries of other kinds (files, links) for listings;
// and files with contents, whose reading, replacing and FTP copy steps can be made to fail.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "firmware/FtpLocalFiles.h"
#include "model/FileStore.h"
#include "model/FileSystem.h"

namespace vlx::test {

// The FTP copy's steps fail under these names, besides those of file_step.
inline constexpr const char* kSyncStep = file_step::kFlush;
inline constexpr const char* kRenameStep = file_step::kMove;
inline constexpr const char* kRemoveStep = "DeleteFile";

class FakeFileSystem : public vlx::FileSystem, public vlx::FileStore, public vlx::FtpLocalFiles {
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

  // The FTP copy's files: CreateExclusive (step "CreateFile"), Size ("GetFileSize"), Sync,
  // Rename and Remove (the names above). The files they make are listed in their folder.
  ErrorCode CreateExclusive(const std::string& folder, const std::string& name,
                            std::string& path) override;
  ErrorCode Size(const std::string& path, std::uint64_t& size) const override;
  ErrorCode Sync(const std::string& path) override;
  ErrorCode Rename(const std::string& from, const std::string& to) override;
  ErrorCode Remove(const std::string& path) override;
  ErrorCode OpenForReading(const std::string& path, std::unique_ptr<ByteSource>& source) override;

  void PutFile(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
  // A file with contents that its folder's listing shows too.
  void PutListedFile(const std::string& path, std::string bytes) {
    AddEntry(path);
    PutFile(path, std::move(bytes));
  }
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
  unsigned temporaryCount_ = 0;

  ErrorCode StepFailure(const char* step) const;
};

}  // namespace vlx::test
