#include "settings/SystemTelemetryFile.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "files/WriteAll.h"
#include "report/ErrnoCode.h"

namespace vlx {
namespace {

class SystemTelemetryFile : public TelemetryFile {
 public:
  explicit SystemTelemetryFile(int file) : file_(file) {}
  ~SystemTelemetryFile() override { ::close(file_); }
  SystemTelemetryFile(const SystemTelemetryFile&) = delete;
  SystemTelemetryFile& operator=(const SystemTelemetryFile&) = delete;

  ErrorCode Append(std::string_view bytes) override { return WriteAll(file_, bytes); }

  ErrorCode Truncate(std::uint64_t size) override {
    // O_APPEND puts the next write at the new end, wherever the cut left the offset.
    if (::ftruncate(file_, static_cast<off_t>(size)) != 0) {
      return ErrorCodeFromErrno(errno, FileOperation::kWrite);
    }
    return err::kSuccess;
  }

 private:
  int file_;
};

}  // namespace

ErrorCode SystemTelemetryFileOpener::Create(const std::string& path,
                                            std::unique_ptr<TelemetryFile>& file) {
  file.reset();
  const int opened =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
  if (opened < 0) {
    return ErrorCodeFromErrno(errno, FileOperation::kWrite, path);
  }
  file = std::make_unique<SystemTelemetryFile>(opened);
  return err::kSuccess;
}

}  // namespace vlx
