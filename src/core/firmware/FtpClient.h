#pragma once
// The seam between the copy run and an FTP session: the few calls the run makes and the events
// that finish the calls that could not finish at once. A binding to a real server lives in the
// platform layer; tests use a scripted one.

#include <cstdint>
#include <optional>
#include <string>

#include "report/ErrorCode.h"
#include "report/ErrorText.h"

namespace vlx {

// A call's answer that means "an event follows": ERROR_IO_PENDING.
inline constexpr ErrorCode kFtpPending = 997;

// One entry of the server folder's listing.
struct FtpEntry {
  std::string name;                   // as the server listed it; check it before use
  std::optional<std::uint64_t> size;  // when the listing gave one
  bool isDirectory = false;

  bool operator==(const FtpEntry&) const = default;
};

// Receives the events that finish pending calls, always on the thread that made the calls and
// never from inside a call. Each carries the code the call would have answered.
class FtpEvents {
 public:
  virtual ~FtpEvents() = default;
  // Connect finished: the session is open (kSuccess) or failed.
  virtual void OnConnected(ErrorCode result) = 0;
  // SetCurrentDirectory finished.
  virtual void OnDirectorySet(ErrorCode result) = 0;
  // FindFirstFile or FindNextFile finished: `entry` is set on kSuccess; 18 (no more files) ends
  // the listing.
  virtual void OnEntryFound(ErrorCode result, std::optional<FtpEntry> entry) = 0;
  // GetFile finished: the local file is complete (kSuccess) or failed.
  virtual void OnFileReceived(ErrorCode result) = 0;
};

// Each call answers kSuccess when done at once, kFtpPending when its event follows, or an error
// code (see FtpErrors.h for the codes). Only one call is outstanding at a time.
class FtpClient {
 public:
  virtual ~FtpClient() = default;

  // Events of later calls go to `events`, which outlives the client or is cleared first.
  virtual void SetEvents(FtpEvents* events) = 0;

  // Opens an anonymous session with `host` on `port`.
  virtual ErrorCode Connect(const std::string& host, std::uint16_t port) = 0;
  virtual ErrorCode SetCurrentDirectory(const std::string& path) = 0;
  // On kSuccess `entry` holds the first or next entry; 18 when there are no more.
  virtual ErrorCode FindFirstFile(FtpEntry& entry) = 0;
  virtual ErrorCode FindNextFile(FtpEntry& entry) = 0;
  // Fetches `remoteName` from the current directory into the file at `localPath`, replacing it.
  virtual ErrorCode GetFile(const std::string& remoteName, const std::string& localPath) = 0;
  // Ends the session and any outstanding call; no event follows a Close.
  virtual void Close() = 0;

  // The server's last reply, for the text of 12003.
  virtual FtpLastResponse LastResponse() const = 0;
};

}  // namespace vlx
