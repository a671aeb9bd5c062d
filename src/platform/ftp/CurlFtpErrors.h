#pragma once
// What one libcurl transfer's end means for the program: the code of FtpErrors.h, with the
// server's reply where the server said no.

#include <curl/curl.h>

#include <optional>
#include <string>

#include "firmware/FtpErrors.h"

namespace vlx {

struct CurlOutcome {
  CURLcode result = CURLE_OK;
  long replyCode = 0;     // the server's last reply code
  std::string replyText;  // its last reply line, as sent
  int osErrno = 0;        // the socket's errno, where libcurl kept one
  bool cancelled = false;
  // Set when our own side stopped the transfer: a local file that could not be written, or a
  // listing beyond its limits (13).
  std::optional<ErrorCode> localError;
};

FtpError MapCurlOutcome(const CurlOutcome& outcome);

}  // namespace vlx
