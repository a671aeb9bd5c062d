#pragma once
// The program's own files on the local file system: whole-file reads with POSIX calls, writes
// through ReplaceFile.

#include "model/FileStore.h"

namespace vlx {

class SystemFileStore final : public FileStore {
 public:
  FileOutcome ReadWholeFile(const std::string& path, std::size_t cap, std::string& bytes) override;
  FileOutcome ReplaceWholeFile(const std::string& path, std::string_view bytes) override;
};

}  // namespace vlx
