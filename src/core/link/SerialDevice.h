#pragma once
// The raw serial device as the platform offers it; SerialPort builds the program's port on it.
//
// Every call returns 0 or a code in the program's numbering: kFileNotFound (kPathNotFound for a
// missing folder on the path), kFilenameTooLong, kNotASerialPort, kAccessDenied for a device
// another program holds, kPrivilegeNotHeld, kDeviceRemoved, else a code of the errno block.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

class SerialDeviceEvents {
 public:
  virtual ~SerialDeviceEvents() = default;
  // Characters have arrived. One call per burst, not per byte.
  virtual void OnCharactersReceived() = 0;
  // The device went away while open (adapter pulled out). No further OnCharactersReceived
  // comes until the port is closed and opened again.
  virtual void OnDeviceLost() = 0;
};

// The outcome of opening the device. A set-up call that fails after the device itself opened
// names itself in the program's words, so that its failure can be reported like any other port
// call; the device is then left open (and unusable) until the caller has read the line's error
// flags and closed it. A device that did not open, or whose properties could not be read, names
// no call: its caller words that failure.
struct OpenOutcome {
  OpenOutcome() = default;
  OpenOutcome(ErrorCode failure, std::string_view call = {}) : code(failure), failedCall(call) {}

  ErrorCode code = err::kSuccess;
  std::string_view failedCall;
};

// The name of the call that applies line settings, the one set-up call the platforms share.
inline constexpr std::string_view kSetCommState = "SetCommState";

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual void SetEvents(SerialDeviceEvents* events) = 0;
  // Opens exclusively at 38400 bit/s, 8 data bits, no parity, one stop bit, no flow control,
  // DTR and RTS off.
  virtual OpenOutcome Open(const std::string& name) = 0;
  virtual void Close() = 0;
  virtual ErrorCode SetRate(std::uint32_t bitsPerSecond) = 0;
  // Takes up to `maxCount` received bytes without waiting; `count` is 0 when none is there.
  virtual ErrorCode Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count) = 0;
  virtual ErrorCode Write(std::string_view bytes, std::size_t& written) = 0;
  // Discards what was received and not yet read; the transmit queue is left alone.
  virtual ErrorCode PurgeReceive() = 0;
  // Takes and clears the line's error flags (overrun, parity, framing, break), in the classic
  // CE_ bit layout; 0 when the platform reports none.
  virtual ErrorCode ClearLineErrors(std::uint32_t& flags) = 0;
  // Whether a device of that name is there now (open or not); the port watch asks it to learn
  // when a lost device has come back.
  virtual bool IsPresent(const std::string& name) const = 0;
};

}  // namespace vlx
