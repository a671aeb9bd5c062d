#pragma once
// The Command Tester's link to the amplifier: writes exactly what the user typed or a macro holds,
// and hands on the replies. It uses no machine; the router feeds it only while none runs, so it
// never takes a machine's reply.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "link/MachineRouter.h"
#include "report/ErrorCode.h"

namespace vlx {

class AppSettings;

class CommandTester final : public RoutedEvents {
 public:
  enum class SendResult {
    kIgnored,  // empty text or no amplifier: nothing written
    kWritten,
    kFailed,  // the port refused the write; it has told the user, WriteError() says why
  };

  // Gets the received bytes of one notification, every carriage return left out; never empty.
  using ReceivedSink = std::function<void(std::string_view)>;

  explicit CommandTester(AppSettings& app) : app_(app) {}

  void SetReceivedSink(ReceivedSink sink) { sink_ = std::move(sink); }

  // Writes `text` as it is: no terminator added, the receive queue kept, no reply awaited (a
  // reply arrives through OnSerialEvent like any other bytes).
  SendResult Send(std::string_view text);
  // Why the last write failed; 0 while none has.
  ErrorCode WriteError() const { return writeError_; }

  // Takes everything waiting in the port's queue, so that a reply longer than one read is not
  // left behind until the amplifier next says something.
  void OnSerialEvent() override;
  // The tester arms no timer.
  void OnTimer(TimerId) override {}

 private:
  AppSettings& app_;
  ReceivedSink sink_;
  ErrorCode writeError_ = err::kSuccess;
};

}  // namespace vlx
