#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <string>

#include "SystemError.h"

namespace vlx {
namespace {

TEST(ErrorCodeFromErrnoTest, MapsTheNumbersTheProgramTellsApart) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string inExistingFolder = folder.filePath("missing.json").toStdString();
  const std::string inMissingFolder = folder.filePath("gone/missing.json").toStdString();
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
