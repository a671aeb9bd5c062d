#include "ScriptedFtpClient.h"

#include <gtest/gtest.h>

namespace vlx::test {

namespace {

const char* NameOf(FtpCall call) {
  switch (call) {
    case FtpCall::kConnect:
      return "Connect";
    case FtpCall::kSetCurrentDirectory:
      return "SetCurrentDirectory";
    case FtpCall::kFindFirstFile:
      return "FindFirstFile";
    case FtpCall::kFindNextFile:
      return "FindNextFile";
    case FtpCall::kGetFile:
      return "GetFile";
  }
  return "?";
}

}  // namespace

ScriptedFtpClient::ScriptedFtpClient(std::vector<FtpStep> script)
    : script_(std::make_move_iterator(script.begin()), std::make_move_iterator(script.end())) {}

ErrorCode ScriptedFtpClient::Connect(const std::string& host, std::uint16_t port) {
  return Take(FtpCall::kConnect, host + ":" + std::to_string(port), nullptr);
}

ErrorCode ScriptedFtpClient::SetCurrentDirectory(const std::string& path) {
  return Take(FtpCall::kSetCurrentDirectory, path, nullptr);
}

ErrorCode ScriptedFtpClient::FindFirstFile(FtpEntry& entry) {
  return Take(FtpCall::kFindFirstFile, {}, &entry);
}

ErrorCode ScriptedFtpClient::FindNextFile(FtpEntry& entry) {
  return Take(FtpCall::kFindNextFile, {}, &entry);
}

ErrorCode ScriptedFtpClient::GetFile(const std::string& remoteName, const std::string& localPath) {
  calls_.push_back("GetFile " + remoteName + " -> " + localPath);
  // The effect writes the local file, so it is handed the path, not the remote name.
  return Take(FtpCall::kGetFile, localPath, nullptr);
}

void ScriptedFtpClient::Close() {
  calls_.push_back("Close");
  closed_ = true;
  // No event follows a Close.
  waiting_.clear();
}

ErrorCode ScriptedFtpClient::Take(FtpCall call, std::string argument, FtpEntry* entry) {
  if (call != FtpCall::kGetFile) {
    calls_.push_back(argument.empty() ? std::string(NameOf(call))
                                      : std::string(NameOf(call)) + " " + argument);
  }
  if (!waiting_.empty()) {
    ADD_FAILURE() << NameOf(call) << " called while an event is outstanding";
  }
  if (script_.empty()) {
    ADD_FAILURE() << NameOf(call) << " called past the end of the script";
    return err::kGenFailure;
  }
  FtpStep step = std::move(script_.front());
  script_.pop_front();
  if (step.call != call) {
    ADD_FAILURE() << NameOf(call) << " called where the script expects " << NameOf(step.call);
    return err::kGenFailure;
  }
  if (step.answer == kFtpPending) {
    waiting_.push_back({std::move(step), std::move(argument)});
    return kFtpPending;
  }
  if (entry != nullptr && step.answer == err::kSuccess && step.entry) {
    *entry = *step.entry;
  }
  Complete(step, argument);
  return step.answer;
}

void ScriptedFtpClient::Complete(const FtpStep& step, const std::string& argument) {
  if (step.reply) {
    lastResponse_ = *step.reply;
  }
  if (step.effect) {
    step.effect(argument);
  }
}

bool ScriptedFtpClient::DeliverNext() {
  if (waiting_.empty()) {
    return false;
  }
  Waiting waiting = std::move(waiting_.front());
  waiting_.pop_front();
  const FtpStep& step = waiting.step;
  Complete(step, waiting.argument);
  if (events_ == nullptr) {
    return true;
  }
  switch (step.call) {
    case FtpCall::kConnect:
      events_->OnConnected(step.eventResult);
      break;
    case FtpCall::kSetCurrentDirectory:
      events_->OnDirectorySet(step.eventResult);
      break;
    case FtpCall::kFindFirstFile:
    case FtpCall::kFindNextFile:
      events_->OnEntryFound(step.eventResult,
                            step.eventResult == err::kSuccess ? step.entry : std::nullopt);
      break;
    case FtpCall::kGetFile:
      events_->OnFileReceived(step.eventResult);
      break;
  }
  return true;
}

void ScriptedFtpClient::DeliverAll() {
  while (DeliverNext()) {
  }
}

}  // namespace vlx::test
