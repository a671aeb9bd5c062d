#include "config/BannerMachine.h"

#include <algorithm>
#include <string>

#include "model/AppSettings.h"

namespace vlx {

BannerMachine::BannerMachine(AppSettings& owner)
    : Machine(owner, kBannerTimerId), read_(*this, &Final()), write_(*this, &Final()) {}

BannerMachine::~BannerMachine() = default;

bool BannerMachine::StartBannerRead() {
  if (!IsIdle()) {
    return false;
  }
  Start(read_);
  return true;
}

bool BannerMachine::StartBannerWrite(std::string_view text) {
  if (!IsIdle()) {
    return false;
  }
  buffer_.fill(0);
  std::copy_n(text.begin(), std::min(text.size(), kBannerLength), buffer_.begin());
  Start(write_);
  return true;
}

void BannerMachine::PublishResult() {
  Owner().machineDone.Notify(Error());
}

void BannerMachine::PublishBufferText() {
  const auto end = std::find(buffer_.begin(), buffer_.end(), 0);
  Owner().bannerText.Publish(std::string(buffer_.begin(), end));
}

BannerMachine::BannerReadState::BannerReadState(BannerMachine& machine, MachineState* next)
    : ReadBlockState(machine, "BannerReadState", next), banner_(machine) {
  SetSpan(kBannerBank, kBannerAddress, kBannerLength);
  SetDestination(machine.buffer_.data());
}

void BannerMachine::BannerReadState::OnSuccess() {
  banner_.Owner().bannerText.Publish(
      BannerOfBytes(std::span(banner_.buffer_).first<kBannerLength>()));
  ReadBlockState::OnSuccess();
}

BannerMachine::BannerWriteState::BannerWriteState(BannerMachine& machine, MachineState* next)
    : WriteBlockState(machine, "BannerWriteState", next), banner_(machine) {
  SetSource(machine.buffer_.data());
}

// The text and its 0: an 8-character text also writes the 0 at 0x58.
void BannerMachine::BannerWriteState::Reset() {
  Buffer& buffer = banner_.buffer_;
  buffer[kBannerLength] = 0;
  const auto length =
      static_cast<std::uint32_t>(std::find(buffer.begin(), buffer.end(), 0) - buffer.begin());
  SetSpan(kBannerBank, kBannerAddress, length + 1);
  WriteBlockState::Reset();
}

void BannerMachine::BannerWriteState::OnAllWritten() {
  banner_.PublishBufferText();
  WriteBlockState::OnAllWritten();
}

}  // namespace vlx
