#include "settings/SystemFileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/FileReplace.h"
#include "report/ErrnoCode.h"

namespace vlx {
namespace {

class FileHandle {
 public:
  explicit FileHandle(int file) : file_(file) {}
  ~FileHandle() {
    if (file_ >= 0) {
      ::close(file_);
    }
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int Get() const { return file_; }

 private:
  int file_;
};

}  // namespace

FileOutcome SystemFileStore::ReadWholeFile(const std::string& path, std::size_t cap,
                                           std::string& bytes) {
  bytes.clear();
  const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    return {ErrorCodeFromErrno(errno, FileOperation::kRead, path), file_step::kCreate};
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    return {ErrorCodeFromErrno(errno, FileOperation::kRead), file_step::kSize};
  }
  if (S_ISDIR(info.st_mode)) {
    return {err::kAccessDenied, file_step::kCreate};  // as opening a folder fails elsewhere
  }
  if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > cap) {
    return {err::kFileTooLarge, file_step::kRead};
  }
  // The size is a hint only: a pipe has none, and a file may grow while it is read.
  std::string read;
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(file.Get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      return {ErrorCodeFromErrno(errno, FileOperation::kRead), file_step::kRead};
    }
    if (got == 0) {
      break;
    }
    if (read.size() + static_cast<std::size_t>(got) > cap) {
      return {err::kFileTooLarge, file_step::kRead};
    }
    read.append(chunk, static_cast<std::size_t>(got));
  }
  bytes = std::move(read);
  return {};
}

FileOutcome SystemFileStore::ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  return ReplaceFile(path, bytes);
}

}  // namespace vlx
