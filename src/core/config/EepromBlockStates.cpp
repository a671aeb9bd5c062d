#include "config/EepromBlockStates.h"

#include <algorithm>

#include "config/HexBytes.h"
#include "link/Machine.h"
#include "model/AppSettings.h"
#include "text/Ascii.h"

namespace vlx {
namespace {

// "^ER" or "^EW", bank, address and count: what a reply must echo.
constexpr std::size_t kEchoLength = 9;
// The echo, a checksum and ";".
constexpr std::size_t kFrameLength = 12;

// Reads the pair at `at`; false when either character is no hexadecimal digit.
bool PairAt(std::string_view text, std::size_t at, std::uint8_t& value) {
  return ParseHexByte(text[at], text[at + 1], value) == err::kSuccess;
}

}  // namespace

EepromBlockState::EepromBlockState(Machine& machine, std::string name, MachineState* next,
                                   const char* prefix, EepromRanges fitTable,
                                   ErrorCode noResponseError)
    : QueryState(machine, {}, std::move(name), next, kTimeoutMs, TimeoutPolicy::kRetry,
                 noResponseError),
      prefix_(prefix),
      fitTable_(fitTable) {}

void EepromBlockState::SetSpan(std::uint32_t bank, std::uint8_t startAddress, std::uint32_t total) {
  bank_ = bank;
  startAddress_ = startAddress;
  total_ = total;
}

void EepromBlockState::Execute() {
  offset_ = 0;
  SendNextBlock();
}

void EepromBlockState::OnAccepted() {
  AdvanceBlock();
  SendNextBlock();
}

void EepromBlockState::SendNextBlock() {
  if (offset_ >= total_) {
    OnSpanDone();
    return;
  }
  const std::uint32_t address = (startAddress_ + offset_) % 256;
  blockCount_ = std::min(total_ - offset_, kMaxBlockBytes);
  if (!BlockFits(fitTable_, bank_, address, blockCount_)) {
    Fail(err::kInvalidEepromAddress);
    return;
  }
  blockAddress_ = static_cast<std::uint8_t>(address);
  std::uint32_t sum = bank_ + address + blockCount_;
  std::string data;
  if (const std::uint8_t* bytes = OutgoingBytes(); bytes != nullptr) {
    data = HexEncode(bytes, blockCount_);
    for (std::uint32_t i = 0; i < blockCount_; ++i) {
      sum += bytes[i];
    }
  }
  command_ = FormatText("%s%02X%02X%02X%s%02X;",
                        {prefix_, bank_, address, blockCount_, data, (256 - sum % 256) % 256});
  Send();
}

void EepromBlockState::AdvanceBlock() {
  AppSettings& app = machine_.Owner();
  app.progressPosition.Publish(app.progressPosition.Get() + blockCount_);
  offset_ += blockCount_;
}

bool EepromBlockState::EchoesCommand(std::string_view reply) const {
  return reply.size() >= kEchoLength && command_.size() >= kEchoLength &&
         EqualIgnoringCase(reply.substr(0, kEchoLength),
                           std::string_view(command_).substr(0, kEchoLength));
}

// ReadBlockState

ReadBlockState::ReadBlockState(Machine& machine, std::string name, MachineState* next)
    : EepromBlockState(machine, std::move(name), next, "^ER", kReadableRanges,
                       err::kNoResponseToReadEepromBlock) {}

// The whole reply is checked into the state's own block before a byte of it is kept.
bool ReadBlockState::Accept() {
  const std::string& reply = machine_.ReceiveBuffer();
  const std::uint32_t count = BlockCount();
  if (reply.size() != kFrameLength + 2 * count || !EchoesCommand(reply)) {
    return false;
  }
  std::uint32_t sum = Bank() + BlockAddress() + count;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!PairAt(reply, kEchoLength + 2 * i, block_[i])) {
      return false;
    }
    sum += block_[i];
  }
  std::uint8_t checksum = 0;
  if (!PairAt(reply, kEchoLength + 2 * count, checksum) || (sum + checksum) % 256 != 0) {
    return false;
  }
  if (destination_ != nullptr) {
    std::copy_n(block_.begin(), count, destination_ + Offset());
  }
  return true;
}

// WriteBlockState

WriteBlockState::WriteBlockState(Machine& machine, std::string name, MachineState* next)
    : EepromBlockState(machine, std::move(name), next, "^EW", kWritableRanges,
                       err::kNoResponseToWriteEepromBlock) {}

const std::uint8_t* WriteBlockState::OutgoingBytes() const {
  return source_ != nullptr ? source_ + Offset() : nullptr;
}

// The acknowledgement echoes bank, address and count and carries a checksum over them.
bool WriteBlockState::Accept() {
  const std::string& reply = machine_.ReceiveBuffer();
  if (reply.size() != kFrameLength || !EchoesCommand(reply)) {
    return false;
  }
  std::uint32_t sum = 0;
  for (std::size_t at = 3; at < kFrameLength - 1; at += 2) {
    std::uint8_t value = 0;
    if (!PairAt(reply, at, value)) {
      return false;
    }
    sum += value;
  }
  return sum % 256 == 0;
}

void WriteBlockState::OnAllWritten() {
  GoToNext();
}

}  // namespace vlx
