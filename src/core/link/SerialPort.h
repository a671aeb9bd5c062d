#pragma once
// The one serial port the program talks to the amplifier through, built on the platform's raw
// device; a failed call is reported as a status line and a "COM Port Error" box.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/SerialDevice.h"
#include "report/ErrorCode.h"

namespace vlx {

class Clock;
class PortLossHandler;
class Prompts;
class SerialEvents;
class StatusSink;

// The rate every open starts at.
constexpr std::uint32_t kOpeningBitRate = 38400;

class SerialPort : private SerialDeviceEvents {
 public:
  SerialPort(SerialDevice& device, Clock& clock, StatusSink& status, Prompts& prompts);
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Receives the port's notifications (the main window, or the command-line host).
  void SetEvents(SerialEvents* events) { events_ = events; }
  // Told once when the open device goes away.
  void SetLossHandler(PortLossHandler* handler) { lossHandler_ = handler; }

  // Opens at 38400 bit/s 8N1. True at once when already open (the name is kept). On failure
  // LastError() says why; the caller words the message, except for a set-up call that failed
  // after the device opened, which is reported here like any other failed call.
  bool Open(const std::string& name);
  bool Close();
  bool IsOpen() const { return open_; }

  // Takes one received byte if there is one; `count` is 0 or 1.
  bool Read(std::uint8_t& byte, std::size_t& count);
  // Takes up to `maxCount` received bytes without waiting.
  bool Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count);
  // Writes the bytes as they are (text or binary); true only when every byte was written.
  bool Write(std::string_view bytes);
  // Discards the receive queue; the transmit queue is never purged.
  bool Purge();
  // Accepts 4800, 9600, 19200 and 38400 only; on failure the recorded rate stays the old one.
  bool SetSpeed(std::uint32_t bitsPerSecond);

  std::uint32_t Speed() const { return speed_; }
  const std::string& Name() const { return name_; }
  ErrorCode LastError() const { return lastError_; }
  // Whether a device called `name` is there now.
  bool DeviceExists(const std::string& name) const { return device_.IsPresent(name); }

  static bool IsSupportedRate(std::uint32_t bitsPerSecond);

 private:
  void OnCharactersReceived() override;
  void OnDeviceLost() override;

  bool CheckOpen();
  // The outcome of a device call: true on success; otherwise records the code and, unless the
  // device is known to be gone, reports the failed operation.
  bool Succeeded(ErrorCode code, std::string_view operation);
  void ReportFailure(std::string_view operation, ErrorCode code);

  SerialDevice& device_;
  Clock& clock_;
  StatusSink& status_;
  Prompts& prompts_;
  SerialEvents* events_ = nullptr;
  PortLossHandler* lossHandler_ = nullptr;
  std::string name_;
  bool open_ = false;
  bool lost_ = false;
  std::uint32_t speed_ = kOpeningBitRate;
  ErrorCode lastError_ = err::kSuccess;
};

}  // namespace vlx
