#include "firmware/FtpErrors.h"

namespace vlx {

namespace {

ErrorCode CodeOf(FtpFailure failure) {
  switch (failure) {
    case FtpFailure::kNotResolved:
      return 12007;
    case FtpFailure::kUnreachable:
      return 12029;
    case FtpFailure::kTimedOut:
      return 12002;
    case FtpFailure::kLoginRefused:
      return 12015;
    case FtpFailure::kReplyError:
      return err::kFtpExtendedError;
    case FtpFailure::kConnectionLost:
      return 12030;
    case FtpFailure::kConnectionReset:
      return 12031;
    case FtpFailure::kPassiveRefused:
      return 12112;
    case FtpFailure::kLocalPathNotFound:
      return err::kPathNotFound;
    case FtpFailure::kLocalAccessDenied:
      return err::kAccessDenied;
    case FtpFailure::kLocalDiskFull:
      return err::kDiskFull;
    case FtpFailure::kCancelled:
      return err::kCancelled;
    case FtpFailure::kInternalError:
      return 12004;
  }
  // An enumerator added without a row must not pass for success.
  return err::kGenFailure;
}

}  // namespace

FtpError MapFtpFailure(FtpFailure failure, std::uint32_t replyCode, std::string replyText) {
  FtpError error{CodeOf(failure), std::nullopt};
  if (failure == FtpFailure::kReplyError) {
    const auto end = replyText.find_last_not_of("\r\n");
    replyText.erase(end == std::string::npos ? 0 : end + 1);
    error.reply = FtpLastResponse{replyCode, std::move(replyText)};
  }
  return error;
}

std::string FtpErrorText(const FtpError& error) {
  return error.reply ? FormatErrorText(error.code, *error.reply) : FormatErrorText(error.code);
}

}  // namespace vlx
