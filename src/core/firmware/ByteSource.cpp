#include "firmware/ByteSource.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "report/ErrnoCode.h"

namespace vlx {
ErrorCode MemorySource::Next(std::string_view& chunk) {
  chunk = text_.substr(0, chunkSize_);
  text_.remove_prefix(chunk.size());
  return err::kSuccess;
}

ErrorCode FileSource::Open(const std::string& path) {
  // A device or a pipe could give text without end (/dev/zero): only files are read, and none
  // larger than a firmware file's text can be. Where the type cannot be told, opening says why.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    return err::kAccessDenied;
  }
  if (!error && std::filesystem::is_regular_file(status) &&
      std::filesystem::file_size(path, error) > kMaxFileSize && !error) {
    return err::kFileTooLarge;
  }
  errno = 0;
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) {
    return ErrorCodeFromErrno(errno, FileOperation::kRead, path);
  }
  buffer_.resize(kChunkSize);
  return err::kSuccess;
}

ErrorCode FileSource::Next(std::string_view& chunk) {
  chunk = {};
  if (!file_) {
    return err::kInvalidHandle;
  }
  errno = 0;
  const std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
  if (got == 0 && std::ferror(file_.get())) {
    // A read that fails without saying why is still a read failure, never the end of the text.
    return errno == 0 ? err::kReadFault : ErrorCodeFromErrno(errno, FileOperation::kRead);
  }
  chunk = std::string_view(buffer_.data(), got);
  return err::kSuccess;
}

}  // namespace vlx
