#pragma once
// The system's file calls with one of them made to fail, and every call written down in order, so
// a test can break a safe replace at any step and see which steps it took.

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "files/FileCalls.h"

namespace vlx::test {

enum class FileCall { kNone, kOpen, kWrite, kSync, kClose, kRename };

class FailingFileCalls : public FileCalls {
 public:
  // The `nth` call of kind `failing` (1 for the first) fails with `error`; kNone fails nothing.
  FailingFileCalls(FileCall failing = FileCall::kNone, int nth = 1, int error = 0)
      : failing_(failing), nth_(nth), error_(error) {}

  int Open(const char* path, int flags, mode_t mode) override {
    if (Fails(FileCall::kOpen, "open", flags & O_DIRECTORY ? "folder" : "file")) {
      return -1;
    }
    return FileCalls::Open(path, flags, mode);
  }
  ssize_t Write(int descriptor, const void* data, std::size_t size) override {
    return Fails(FileCall::kWrite, "write", KindOf(descriptor))
               ? -1
               : FileCalls::Write(descriptor, data, size);
  }
  int Sync(int descriptor) override {
    return Fails(FileCall::kSync, "sync", KindOf(descriptor)) ? -1 : FileCalls::Sync(descriptor);
  }
  int Close(int descriptor) override {
    const std::string kind = KindOf(descriptor);
    const int closed = FileCalls::Close(descriptor);  // a failed close still releases it
    return Fails(FileCall::kClose, "close", kind) ? -1 : closed;
  }
  int Rename(const char* from, const char* to) override {
    return Fails(FileCall::kRename, "rename", "file") ? -1 : FileCalls::Rename(from, to);
  }

  // "open file", "sync folder", ... in the order they were made, failed ones included.
  const std::vector<std::string>& Made() const { return made_; }

 private:
  static std::string KindOf(int descriptor) {
    struct stat info {};
    return ::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode) ? "folder" : "file";
  }

  bool Fails(FileCall call, const std::string& name, const std::string& kind) {
    made_.push_back(name + " " + kind);
    if (call != failing_ || ++counts_[call] != nth_) {
      return false;
    }
    errno = error_;
    return true;
  }

  FileCall failing_;
  int nth_;
  int error_;
  std::map<FileCall, int> counts_;
  std::vector<std::string> made_;
};

}  // namespace vlx::test
