#include <gtest/gtest.h>

#include "CaseNames.h"
#include "firmware/FtpErrors.h"

namespace vlx {
namespace {

struct FailureCase {
  const char* label;
  FtpFailure failure;
  ErrorCode code;
};

class FtpFailureCodes : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FtpFailureCodes, MapsToItsCodeWithoutAReply) {
  const FtpError error = MapFtpFailure(GetParam().failure);
  EXPECT_EQ(error.code, GetParam().code);
  EXPECT_FALSE(error.reply.has_value());
  EXPECT_FALSE(FtpErrorText(error).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ftp, FtpFailureCodes,
    ::testing::Values(FailureCase{"NotResolved", FtpFailure::kNotResolved, 12007},
                      FailureCase{"Unreachable", FtpFailure::kUnreachable, 12029},
                      FailureCase{"TimedOut", FtpFailure::kTimedOut, 12002},
                      FailureCase{"LoginRefused", FtpFailure::kLoginRefused, 12015},
                      FailureCase{"ConnectionLost", FtpFailure::kConnectionLost, 12030},
                      FailureCase{"ConnectionReset", FtpFailure::kConnectionReset, 12031},
                      FailureCase{"PassiveRefused", FtpFailure::kPassiveRefused, 12112},
                      FailureCase{"LocalPathNotFound", FtpFailure::kLocalPathNotFound, 3},
                      FailureCase{"LocalAccessDenied", FtpFailure::kLocalAccessDenied, 5},
                      FailureCase{"LocalDiskFull", FtpFailure::kLocalDiskFull, 112},
                      FailureCase{"Cancelled", FtpFailure::kCancelled, 1223},
                      FailureCase{"InternalError", FtpFailure::kInternalError, 12004}),
    test::ByLabel());

TEST(FtpReplyError, QuotesTheServersReplyInTheText) {
  const FtpError error = MapFtpFailure(FtpFailure::kReplyError, 550, "550 No such file.\r\n");
  ASSERT_EQ(error.code, 12003u);
  ASSERT_TRUE(error.reply.has_value());
  EXPECT_EQ(error.reply->error, 550u);
  EXPECT_EQ(error.reply->text, "550 No such file.");
  EXPECT_EQ(FtpErrorText(error),
            "The server returned extended information\r\n"
            "InternetGetLastResponseInfo returns 0x00000226 550 No such file.");
}

}  // namespace
}  // namespace vlx
