// The one table of C library error numbers.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "report/ErrnoCode.h"

namespace vlx {
namespace {

TEST(ErrorCodeFromErrnoTest, MapsTheNumbersTheProgramTellsApart) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const std::string inExistingFolder = (folder / "vlx-missing.json").string();
  const std::string inMissingFolder = (folder / "vlx-gone-folder/missing.json").string();
  struct Case {
    int error;
    FileOperation operation;
    std::string path;
    ErrorCode code;
  };
  const Case cases[] = {
      {0, FileOperation::kOther, "", err::kSuccess},
      {ENOENT, FileOperation::kOther, "", err::kFileNotFound},
      {ENOENT, FileOperation::kOther, inExistingFolder, err::kFileNotFound},
      {ENOENT, FileOperation::kOther, inMissingFolder, err::kPathNotFound},
      {ENOTDIR, FileOperation::kOther, "", err::kPathNotFound},
      {EACCES, FileOperation::kOther, "", err::kAccessDenied},
      {EISDIR, FileOperation::kRead, "", err::kAccessDenied},
      {EPERM, FileOperation::kWrite, "", err::kAccessDenied},
      {ENOSPC, FileOperation::kWrite, "", err::kDiskFull},
      {ENAMETOOLONG, FileOperation::kOther, "", err::kFilenameTooLong},
      {EIO, FileOperation::kRead, "", err::kReadFault},
      {EIO, FileOperation::kWrite, "", err::kWriteFault},
      {EIO, FileOperation::kOther, "", err::FromErrno(EIO)},
      {EROFS, FileOperation::kWrite, "", err::FromErrno(EROFS)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorCodeFromErrno(c.error, c.operation, c.path), c.code)
        << "errno " << c.error << " " << c.path;
  }
}

}  // namespace
}  // namespace vlx
