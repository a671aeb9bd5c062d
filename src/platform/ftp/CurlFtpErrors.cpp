#include "ftp/CurlFtpErrors.h"

#include <cerrno>

namespace vlx {
namespace {

bool IsRefusal(long replyCode) {
  return replyCode >= 400 && replyCode <= 599;
}

// A transfer that broke off: a reset the peer sent is told apart from any other end.
FtpFailure Broken(const CurlOutcome& outcome) {
  return outcome.osErrno == ECONNRESET ? FtpFailure::kConnectionReset : FtpFailure::kConnectionLost;
}

}  // namespace

FtpError MapCurlOutcome(const CurlOutcome& outcome) {
  if (outcome.cancelled) {
    return MapFtpFailure(FtpFailure::kCancelled);
  }
  if (outcome.localError) {
    return FtpError{*outcome.localError, std::nullopt};
  }
  switch (outcome.result) {
    case CURLE_OK:
      return FtpError{};
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return MapFtpFailure(FtpFailure::kNotResolved);
    case CURLE_COULDNT_CONNECT:
      return MapFtpFailure(FtpFailure::kUnreachable);
    case CURLE_OPERATION_TIMEDOUT:
      return MapFtpFailure(FtpFailure::kTimedOut);
    case CURLE_LOGIN_DENIED:
      return MapFtpFailure(FtpFailure::kLoginRefused);
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
      return MapFtpFailure(FtpFailure::kPassiveRefused);
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      return MapFtpFailure(Broken(outcome));
    case CURLE_OUT_OF_MEMORY:
      return FtpError{err::kOutOfMemory, std::nullopt};
    default:
      break;
  }
  if (IsRefusal(outcome.replyCode)) {
    return MapFtpFailure(FtpFailure::kReplyError, static_cast<std::uint32_t>(outcome.replyCode),
                         outcome.replyText);
  }
  // The server stopped answering in the middle of an exchange.
  if (outcome.result == CURLE_FTP_WEIRD_SERVER_REPLY) {
    return MapFtpFailure(Broken(outcome));
  }
  return MapFtpFailure(FtpFailure::kInternalError);
}

}  // namespace vlx
