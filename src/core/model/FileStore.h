#pragma once
// Whole-file reading (up to a cap) and writing for the program's own files (configurations, fault
// tables). A failure names the step that failed, for the reports that quote it.

#include <cstddef>
#include <string>
#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

// The names under which failed steps are reported (the system calls' names the users of the
// program have always seen).
namespace file_step {
constexpr const char* kCreate = "CreateFile";
constexpr const char* kSize = "GetFileSize";
constexpr const char* kRead = "ReadFile";
constexpr const char* kWrite = "WriteFile";
constexpr const char* kFlush = "FlushFileBuffers";
constexpr const char* kClose = "CloseHandle";
constexpr const char* kMove = "MoveFileEx";
}  // namespace file_step

struct FileOutcome {
  ErrorCode code = err::kSuccess;
  const char* step = "";  // one of file_step, when code is not 0

  bool Succeeded() const { return code == err::kSuccess; }
};

class FileStore {
 public:
  // Files the program reads whole are small; anything bigger was picked by mistake.
  static constexpr std::size_t kDefaultReadCap = 1024 * 1024;

  virtual ~FileStore() = default;
  // The whole file in `bytes`. A file of more than `cap` bytes fails with 223 at step "ReadFile"
  // (nothing beyond the cap is held in memory); `bytes` is empty on any failure.
  virtual FileOutcome ReadWholeFile(const std::string& path, std::size_t cap,
                                    std::string& bytes) = 0;
  // Replaces the file (or creates it) with `bytes`: a temporary file in the same folder is
  // written, flushed to the disk and renamed over it. A replaced file keeps its permissions. On
  // failure the old file is as it was and no temporary file is left.
  virtual FileOutcome ReplaceWholeFile(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace vlx
