#pragma once
// `vlxctl send`: finds the amplifier, writes a text to it as the Command Tester page would (as
// given, nothing added) and prints what comes back once the line has been quiet for a while.

#include <QTimer>
#include <memory>
#include <string>

#include "ContactSession.h"
#include "tester/CommandTester.h"

namespace vlx::cli {

class SignalWatcher;

namespace exit_code {
constexpr int kNoReply = 3;  // the text went out, but nothing came back
}  // namespace exit_code

class SendCommand final : public ContactSession {
 public:
  SendCommand(const CliOptions& options, SettingsStore& store, std::string text,
              std::uint32_t quietMs);
  ~SendCommand() override;

 private:
  void OnAmplifierFound() override;
  void OnReceived(std::string_view bytes);
  // The line was quiet for the time given: the reply, if any, is whole.
  void OnQuiet();
  void PrintReply();

  const std::string text_;
  CommandTester tester_;
  QTimer quiet_;
  std::unique_ptr<SignalWatcher> signals_;
  std::string reply_;
};

}  // namespace vlx::cli
