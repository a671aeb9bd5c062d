#include "SendCommand.h"

#include "Output.h"
#include "SignalWatcher.h"
#include "report/TextFormat.h"

namespace vlx::cli {

SendCommand::SendCommand(const CliOptions& options, SettingsStore& store, std::string text,
                         std::uint32_t quietMs)
    : ContactSession(options, store), text_(std::move(text)), tester_(App()) {
  quiet_.setSingleShot(true);
  quiet_.setInterval(static_cast<int>(quietMs));
  connect(&quiet_, &QTimer::timeout, this, [this] { OnQuiet(); });
  tester_.SetReceivedSink([this](std::string_view bytes) { OnReceived(bytes); });
}

SendCommand::~SendCommand() {
  Router().SetCurrentPage(nullptr);
}

void SendCommand::OnAmplifierFound() {
  if (Finished()) {
    return;
  }
  // What the amplifier sends while no machine runs is the reply.
  Router().SetCurrentPage(&tester_);
  // Ctrl+C while waiting prints what has come so far.
  signals_ = std::make_unique<SignalWatcher>([this](int) {
    PrintReply();
    Finish(exit_code::kInterrupted);
  });
  if (tester_.Send(text_) != CommandTester::SendResult::kWritten) {
    Finish(exit_code::kFailure);  // the port has told why
    return;
  }
  quiet_.start();
}

void SendCommand::OnReceived(std::string_view bytes) {
  reply_ += bytes;
  quiet_.start();
}

void SendCommand::OnQuiet() {
  if (reply_.empty()) {
    PrintError(FormatText("vlxctl: the VLX750 sent nothing back within %u ms",
                          {static_cast<std::uint32_t>(quiet_.interval())}));
    Finish(exit_code::kNoReply);
    return;
  }
  PrintReply();
  Finish(exit_code::kSuccess);
}

// The bytes as they came, carriage returns left out, then a line break: the amplifier speaks
// ASCII, and whatever else it sends is passed on untouched.
void SendCommand::PrintReply() {
  if (reply_.empty()) {
    return;
  }
  WriteOutput(reply_ + "\n");
  reply_.clear();
}

}  // namespace vlx::cli
