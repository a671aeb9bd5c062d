#include "tester/CommandTester.h"

#include <array>
#include <cstdint>

#include "model/AppSettings.h"

namespace vlx {
namespace {
// One read takes at most this much; the queue is emptied in as many reads as it needs.
constexpr std::size_t kReadPiece = 64;
}  // namespace

CommandTester::SendResult CommandTester::Send(std::string_view text) {
  if (text.empty() || app_.deviceState.Get() == device_state::kNotResponding) {
    return SendResult::kIgnored;
  }
  if (!app_.Serial().Write(text)) {
    writeError_ = app_.Serial().LastError();
    return SendResult::kFailed;
  }
  return SendResult::kWritten;
}

void CommandTester::OnSerialEvent() {
  std::string received;
  std::array<std::uint8_t, kReadPiece> piece{};
  std::size_t count = 0;
  while (app_.Serial().Read(piece.data(), piece.size(), count) && count > 0) {
    for (std::size_t i = 0; i < count; ++i) {
      if (piece[i] != '\r') {
        received.push_back(static_cast<char>(piece[i]));
      }
    }
  }
  if (!received.empty() && sink_) {
    sink_(received);
  }
}

}  // namespace vlx
