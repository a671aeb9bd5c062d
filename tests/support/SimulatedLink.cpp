#include "support/SimulatedLink.h"

#include <algorithm>
#include <utility>

namespace vlx::test {

SimulatedLink::SimulatedLink(VirtualTime& time, vlxsim::Amplifier& amplifier)
    : time_(time), amplifier_(amplifier) {
  ScheduleWake();
}

void SimulatedLink::SetFaults(vlxsim::Faults faults) {
  amplifier_.SetFaults(std::move(faults));
  ScheduleWake();
}

void SimulatedLink::ScheduleWake() {
  const std::optional<std::uint64_t> wake = amplifier_.NextWakeMicros();
  if (!wake || (wakeAt_ && *wakeAt_ <= *wake)) {
    return;
  }
  wakeAt_ = wake;
  time_.At(*wake, VirtualTime::Lane::kDevice, [this, at = *wake] {
    if (wakeAt_ == at) {
      wakeAt_.reset();
    }
    Carry(amplifier_.Advance(time_.NowMicros()), session_);
  });
}

void SimulatedLink::Carry(std::vector<vlxsim::Transmission> transmissions, std::uint64_t session) {
  for (vlxsim::Transmission& sent : transmissions) {
    // One transmission after another, as on a real line.
    const std::uint64_t start =
        std::max({sent.atMicros, time_.NowMicros(), replyLineFreeAtMicros_});
    const std::uint64_t arrival = start + vlxsim::LineTimeMicros(sent.bytes.size(), sent.rate);
    replyLineFreeAtMicros_ = arrival;
    time_.At(arrival, VirtualTime::Lane::kDevice,
             [this, bytes = std::move(sent.bytes), from = sent.rate, session, power = power_] {
               // What was on its way when the mains went off never arrives.
               if (power == power_) {
                 Transmit(bytes, from, session);
               }
             });
  }
  ScheduleWake();
}

ErrorCode SimulatedLink::Open(const std::string& name) {
  if (name != kPortName || unplugged_) {
    return err::kFileNotFound;
  }
  if (heldElsewhere_) {
    return err::kAccessDenied;
  }
  open_ = true;
  lost_ = false;
  rate_ = 38400;
  received_.clear();
  ++session_;
  ++opens_;
  return err::kSuccess;
}

void SimulatedLink::Close() {
  open_ = false;
  lost_ = false;
  received_.clear();
  ++session_;
}

ErrorCode SimulatedLink::TakeFailure() {
  if (lost_) {
    return err::kDeviceRemoved;
  }
  const ErrorCode code = failNext_;
  failNext_ = err::kSuccess;
  return code;
}

ErrorCode SimulatedLink::SetRate(std::uint32_t bitsPerSecond) {
  if (const ErrorCode code = TakeFailure()) {
    return code;
  }
  rate_ = bitsPerSecond;
  return err::kSuccess;
}

ErrorCode SimulatedLink::Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count) {
  count = 0;
  if (lost_) {
    return err::kDeviceRemoved;
  }
  count = std::min(maxCount, received_.size());
  std::copy_n(received_.begin(), count, buffer);
  received_.erase(0, count);
  return err::kSuccess;
}

ErrorCode SimulatedLink::Write(std::string_view bytes, std::size_t& written) {
  written = 0;
  if (const ErrorCode code = TakeFailure()) {
    return code;
  }
  sent_.push_back(Sent{time_.NowMicros(), rate_, std::string(bytes)});
  written = bytes.size();
  const std::uint32_t rate = rate_;
  const std::uint64_t session = session_;
  // Timed from the start of the write so that the rounding of one byte's time does not add up.
  const std::uint64_t start = std::max(time_.NowMicros(), lineFreeAtMicros_);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    time_.At(start + vlxsim::LineTimeMicros(i + 1, rate), VirtualTime::Lane::kDevice,
             [this, byte = bytes[i], rate, session] {
               Carry(amplifier_.Receive(std::string_view(&byte, 1), rate, time_.NowMicros()),
                     session);
             });
  }
  lineFreeAtMicros_ = start + vlxsim::LineTimeMicros(bytes.size(), rate);
  return err::kSuccess;
}

void SimulatedLink::PowerCycle() {
  ++power_;
  replyLineFreeAtMicros_ = time_.NowMicros();
  amplifier_.PowerCycle(time_.NowMicros());
  ScheduleWake();
}

void SimulatedLink::Transmit(const std::string& bytes, std::uint32_t rate, std::uint64_t session) {
  if (session != session_ || !open_ || lost_) {
    return;
  }
  Deliver(vlxsim::AcrossRates(bytes, rate, rate_));
}

void SimulatedLink::Deliver(const std::string& bytes) {
  if (bytes.empty() || !open_ || lost_) {
    return;
  }
  received_ += bytes;
  const std::uint64_t session = session_;
  time_.After(0, VirtualTime::Lane::kUi, [this, session] {
    if (session == session_ && events_ != nullptr && !lost_) {
      events_->OnCharactersReceived();
    }
  });
}

ErrorCode SimulatedLink::PurgeReceive() {
  if (lost_) {
    return err::kDeviceRemoved;
  }
  received_.clear();
  return err::kSuccess;
}

ErrorCode SimulatedLink::ClearLineErrors(std::uint32_t& flags) {
  flags = 0;
  return lost_ ? err::kDeviceRemoved : err::kSuccess;
}

// As on a real port, calls fail at once and the loss is announced from the event loop.
void SimulatedLink::Unplug() {
  unplugged_ = true;
  if (open_ && !lost_) {
    lost_ = true;
    received_.clear();
    const std::uint64_t session = session_;
    time_.After(0, VirtualTime::Lane::kUi, [this, session] {
      if (session == session_ && events_ != nullptr) {
        events_->OnDeviceLost();
      }
    });
  }
}

std::vector<std::string> SimulatedLink::SentTexts() const {
  std::vector<std::string> texts;
  for (const Sent& sent : sent_) {
    texts.push_back(sent.bytes);
  }
  return texts;
}

}  // namespace vlx::test
