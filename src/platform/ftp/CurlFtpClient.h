#pragma once
// The FtpClient on libcurl: anonymous, passive (EPSV, then PASV), proxies from the environment.
//
// One worker thread runs a session's transfers on one easy handle, so one login serves every call;
// each call answers "pending" and its event comes back to the caller's thread through the Qt event
// loop. Close and destruction never wait on the server or the worker: a worker that libcurl still
// holds is joined when the program ends.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "firmware/FtpClient.h"
#include "firmware/FtpErrors.h"
#include "ftp/FtpListing.h"

class QObject;

namespace vlx {

struct CurlFtpOptions {
  std::chrono::milliseconds connectTimeout{30000};
  // No byte for this long, on either connection, is a time-out (whole seconds).
  std::chrono::seconds stallTimeout{60};
  ListingLimits listingLimits;
  // Called on the worker, inside libcurl, as each name lookup starts. Tests hold the worker
  // there to stand for a lookup the system does not answer.
  std::function<void()> lookupStarting;
};

class CurlFtpClient final : public FtpClient {
 public:
  // Events go to the thread that builds the client, which must run a Qt event loop.
  explicit CurlFtpClient(CurlFtpOptions options = {});
  ~CurlFtpClient() override;
  CurlFtpClient(const CurlFtpClient&) = delete;
  CurlFtpClient& operator=(const CurlFtpClient&) = delete;

  void SetEvents(FtpEvents* events) override { events_ = events; }
  ErrorCode Connect(const std::string& host, std::uint16_t port) override;
  ErrorCode SetCurrentDirectory(const std::string& path) override;
  ErrorCode FindFirstFile(FtpEntry& entry) override;
  ErrorCode FindNextFile(FtpEntry& entry) override;
  ErrorCode GetFile(const std::string& remoteName, const std::string& localPath) override;
  void Close() override;
  FtpLastResponse LastResponse() const override { return lastResponse_; }

  class Worker;

 private:
  enum class Call { kNone, kConnect, kDirectory, kListing, kFile };

  // Continuations the worker posts back; they run on the caller's thread.
  void OnCallDone(Call call, const FtpError& error, const FtpLastResponse& reply);
  void OnEntries(std::vector<FtpEntry> entries);
  void OnListingEnd(const FtpError& error, const FtpLastResponse& reply);
  // Hands the waiting FindFirstFile/FindNextFile its entry, or the listing's end.
  void ServeEntry();
  void PostServeEntry();
  void ForgetSession();

  std::shared_ptr<Worker> worker_;
  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> workerEnded_;
  std::unique_ptr<QObject> receiver_;
  FtpEvents* events_ = nullptr;
  Call outstanding_ = Call::kNone;
  bool connected_ = false;
  std::string directory_;  // the current directory as the URL's path, percent-encoded
  // The listing as far as it has come.
  bool listing_ = false;
  bool listingOver_ = false;  // the listing's end has been handed out
  std::deque<FtpEntry> entries_;
  std::optional<ErrorCode> listingEnd_;
  FtpLastResponse lastResponse_;
};

}  // namespace vlx
