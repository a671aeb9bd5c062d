#pragma once
// The in-process line between the program's serial port and the simulated amplifier, in virtual
// time: bytes take their line time at the rate each side uses, one write after another, and
// reach the amplifier byte by byte at the moment each has crossed the line, so that a command
// early in a write is answered before the write ends and a 68-byte packet is complete at its
// line time. Bytes sent at one rate and heard at another arrive garbled or not at all.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/SerialDevice.h"
#include "model/Amplifier.h"
#include "support/VirtualTime.h"

namespace vlx::test {

class SimulatedLink final : public SerialDevice {
 public:
  static constexpr const char* kPortName = "/dev/ttySIM0";

  struct Sent {
    std::uint64_t atMicros;
    std::uint32_t rate;
    std::string bytes;
  };

  SimulatedLink(VirtualTime& time, vlxsim::Amplifier& amplifier);

  void SetEvents(SerialDeviceEvents* events) override { events_ = events; }
  OpenOutcome Open(const std::string& name) override;
  void Close() override;
  ErrorCode SetRate(std::uint32_t bitsPerSecond) override;
  ErrorCode Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count) override;
  ErrorCode Write(std::string_view bytes, std::size_t& written) override;
  ErrorCode PurgeReceive() override;
  ErrorCode ClearLineErrors(std::uint32_t& flags) override;
  bool IsPresent(const std::string& name) const override {
    return name == kPortName && !unplugged_;
  }

  // Another program holds the port.
  void SetHeldElsewhere(bool held) { heldElsewhere_ = held; }
  // The adapter is pulled out (the open port falls silent) or put back.
  void Unplug();
  void PlugIn() { unplugged_ = false; }
  // Bytes that reach the program's receive queue now, in one notification.
  void Deliver(const std::string& bytes);
  // The amplifier's faults from now on; through the link, so that noise is sent on time.
  void SetFaults(vlxsim::Faults faults);
  // Makes the next write or rate change fail with `code` (once).
  void FailNextCall(ErrorCode code) { failNext_ = code; }
  // Makes the next open fail to apply its line settings with `code` (once), after the device
  // itself opened.
  void FailNextSetUp(ErrorCode code) { failSetUp_ = code; }

  // Mains off and on: the amplifier keeps its firmware image and starts from it.
  void PowerCycle();

  // The amplifier itself: its mode, its image memory and the revision it runs.
  vlxsim::Amplifier& Model() { return amplifier_; }
  // Its EEPROM, banks read and written directly: a test sets contents up before a run, compares
  // them after it and asserts on the writes the amplifier refused.
  vlxsim::EepromStore& Eeprom() { return amplifier_.Eeprom(); }

  bool IsOpen() const { return open_; }
  std::uint32_t Rate() const { return rate_; }
  const std::vector<Sent>& SentCommands() const { return sent_; }
  std::vector<std::string> SentTexts() const;
  std::size_t Opens() const { return opens_; }

 private:
  // Puts the amplifier's transmissions on the line for the port's opening `session`, then wakes
  // the amplifier when it next acts by itself.
  void Carry(std::vector<vlxsim::Transmission> transmissions, std::uint64_t session);
  void ScheduleWake();
  void Transmit(const std::string& bytes, std::uint32_t rate, std::uint64_t session);
  ErrorCode TakeFailure();

  VirtualTime& time_;
  vlxsim::Amplifier& amplifier_;
  SerialDeviceEvents* events_ = nullptr;
  bool open_ = false;
  bool heldElsewhere_ = false;
  bool unplugged_ = false;
  bool lost_ = false;
  std::optional<std::uint64_t> wakeAt_;  // the earliest wake-up already scheduled
  std::uint64_t session_ = 0;            // bytes in flight belong to one opening of the port
  std::uint64_t power_ = 0;              // the amplifier's answers belong to one power-up
  std::uint32_t rate_ = 38400;
  std::uint64_t lineFreeAtMicros_ = 0;       // when the program's last byte has crossed the line
  std::uint64_t replyLineFreeAtMicros_ = 0;  // when the amplifier's last byte has
  std::string received_;
  std::vector<Sent> sent_;
  std::size_t opens_ = 0;
  ErrorCode failNext_ = err::kSuccess;
  ErrorCode failSetUp_ = err::kSuccess;
};

}  // namespace vlx::test
