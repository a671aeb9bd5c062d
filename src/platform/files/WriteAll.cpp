#include "files/WriteAll.h"

#include <cerrno>

#include "report/ErrnoCode.h"

namespace vlx {

ErrorCode WriteAll(int descriptor, std::string_view bytes, std::string_view path,
                   FileCalls& calls) {
  while (!bytes.empty()) {
    const ssize_t written = calls.Write(descriptor, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return ErrorCodeFromErrno(errno, FileOperation::kWrite, path);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return err::kSuccess;
}

}  // namespace vlx
