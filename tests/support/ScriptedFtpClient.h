#pragma once
// An FtpClient that plays a script: each call takes the next step, checks it is the call the
// step expects, and answers the step's code. A pending step's event waits in a queue until the
// test delivers it, so a test decides exactly when each event arrives (or that none does).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "firmware/FtpClient.h"

namespace vlx::test {

enum class FtpCall { kConnect, kSetCurrentDirectory, kFindFirstFile, kFindNextFile, kGetFile };

struct FtpStep {
  FtpCall call;
  // What the call answers; kFtpPending queues an event carrying `eventResult`.
  ErrorCode answer = err::kSuccess;
  ErrorCode eventResult = err::kSuccess;
  // The entry a Find call hands back, at once or with its event.
  std::optional<FtpEntry> entry;
  // Runs when the step completes (at once, or when its event is delivered): a GetFile step
  // writes its local file here.
  std::function<void(const std::string& argument)> effect;
  // The server's last reply from this step on.
  std::optional<FtpLastResponse> reply;
};

class ScriptedFtpClient : public FtpClient {
 public:
  explicit ScriptedFtpClient(std::vector<FtpStep> script = {});

  void Append(FtpStep step) { script_.push_back(std::move(step)); }

  void SetEvents(FtpEvents* events) override { events_ = events; }
  ErrorCode Connect(const std::string& host, std::uint16_t port) override;
  ErrorCode SetCurrentDirectory(const std::string& path) override;
  ErrorCode FindFirstFile(FtpEntry& entry) override;
  ErrorCode FindNextFile(FtpEntry& entry) override;
  ErrorCode GetFile(const std::string& remoteName, const std::string& localPath) override;
  void Close() override;
  FtpLastResponse LastResponse() const override { return lastResponse_; }

  // Delivers the oldest waiting event; false when none waits.
  bool DeliverNext();
  // Delivers events until none waits, including those the receiver's calls queue.
  void DeliverAll();

  bool HasPendingEvent() const { return !waiting_.empty(); }
  bool ScriptDone() const { return script_.empty(); }
  bool Closed() const { return closed_; }
  // Each call with its argument, in order: "Connect host:21", "GetFile NAME -> PATH", ...
  const std::vector<std::string>& Calls() const { return calls_; }

 private:
  struct Waiting {
    FtpStep step;
    std::string argument;
  };

  ErrorCode Take(FtpCall call, std::string argument, FtpEntry* entry);
  void Complete(const FtpStep& step, const std::string& argument);

  std::deque<FtpStep> script_;
  std::deque<Waiting> waiting_;
  std::vector<std::string> calls_;
  FtpEvents* events_ = nullptr;
  FtpLastResponse lastResponse_;
  bool closed_ = false;
};

}  // namespace vlx::test
