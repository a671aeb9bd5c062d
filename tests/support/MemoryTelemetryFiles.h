#pragma once
// Telemetry log files in memory, for tests: each path's bytes, and failures to set up on the next
// append (after part of its bytes), truncation or creation.

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "operate/TelemetryFile.h"
#include "report/ErrorCode.h"

namespace vlx::test {

// A file in memory whose next append can be made to write part of its bytes and then fail.
struct MemoryFile {
  std::string bytes;
  bool exists = false;
  ErrorCode failAppend = err::kSuccess;
  std::size_t bytesBeforeFailure = 0;
  ErrorCode failTruncate = err::kSuccess;
};

class MemoryOpener : public TelemetryFileOpener {
 public:
  ErrorCode Create(const std::string& path, std::unique_ptr<TelemetryFile>& file) override {
    if (createError != err::kSuccess) {
      return createError;
    }
    MemoryFile& target = files[path];
    target.bytes.clear();
    target.exists = true;
    file = std::make_unique<Handle>(target);
    return err::kSuccess;
  }

  std::map<std::string, MemoryFile> files;
  ErrorCode createError = err::kSuccess;

 private:
  class Handle : public TelemetryFile {
   public:
    explicit Handle(MemoryFile& file) : file_(file) {}
    ErrorCode Append(std::string_view bytes) override {
      if (file_.failAppend != err::kSuccess) {
        file_.bytes += bytes.substr(0, file_.bytesBeforeFailure);
        return file_.failAppend;
      }
      file_.bytes += bytes;
      return err::kSuccess;
    }
    ErrorCode Truncate(std::uint64_t size) override {
      if (file_.failTruncate != err::kSuccess) {
        return file_.failTruncate;
      }
      file_.bytes.resize(static_cast<std::size_t>(size));
      return err::kSuccess;
    }

   private:
    MemoryFile& file_;
  };
};

}  // namespace vlx::test
