#pragma once
// Maps what went wrong during an FTP exchange to the error code the program reports, and keeps
// the server's reply for the extended-error text.

#include <cstdint>
#include <optional>
#include <string>

#include "report/ErrorCode.h"
#include "report/ErrorText.h"

namespace vlx {

// Every way an FTP exchange can fail, as a binding sees it.
enum class FtpFailure {
  kNotResolved,        // the server's name has no address
  kUnreachable,        // connection refused or no route
  kTimedOut,           // connecting took too long, or no byte arrived for too long
  kLoginRefused,       // 530 on USER or PASS
  kReplyError,         // any other 4xx or 5xx reply
  kConnectionLost,     // the data or control connection closed mid-transfer
  kConnectionReset,    // the peer reset the connection
  kPassiveRefused,     // neither EPSV nor PASV was accepted
  kLocalPathNotFound,  // the local folder is missing
  kLocalAccessDenied,  // the local file could not be created or written for lack of rights
  kLocalDiskFull,      // the local disk has no room
  kCancelled,          // the user stopped the exchange
  kInternalError,      // the FTP library failed in a way none of the above describes
};

// The code for a failure and, for a reply error, the reply that the error text quotes.
struct FtpError {
  ErrorCode code = err::kSuccess;
  std::optional<FtpLastResponse> reply;
};

// `replyCode` and `replyText` matter only for kReplyError: the code and the reply line as the
// server sent it ("550 No such file"), kept without its line break.
FtpError MapFtpFailure(FtpFailure failure, std::uint32_t replyCode = 0, std::string replyText = {});

// The text a user reads for `error`, the server's reply included where there is one.
std::string FtpErrorText(const FtpError& error);

}  // namespace vlx
