#pragma once
// The serial device on QSerialPort, opened exclusively under the device's real name, so a link and
// its target are one port. A device gone while open is closed at its first read or resource error
// and announced once, so the program is never flooded with errors.

#include <QObject>
#include <QSerialPort>
#include <cstdint>
#include <string>

#include "link/SerialDevice.h"

namespace vlx {

// A port name without "/" names a device under /dev; anything else is a path as typed.
std::string SerialDevicePath(const std::string& name);

// The open's verdict on an errno from looking at or opening the device at `path`: the shared
// table (report/ErrnoCode.h), except that the open tells apart a device this user may not open
// (EACCES, EPERM: kPrivilegeNotHeld, worded with advice) from one another program holds (EBUSY
// or a lock: kAccessDenied, "being used by another application"), and counts a device node
// without a device behind it (ENODEV, ENXIO) as missing.
ErrorCode ErrorCodeFromOpenErrno(int error, const std::string& path = {});

// The program's code for a QSerialPort failure.
ErrorCode ErrorCodeFromSerialPortError(QSerialPort::SerialPortError error);

class QtSerialDevice : public QObject, public SerialDevice {
  Q_OBJECT

 public:
  explicit QtSerialDevice(QObject* parent = nullptr);
  ~QtSerialDevice() override;

  void SetEvents(SerialDeviceEvents* events) override { events_ = events; }
  OpenOutcome Open(const std::string& name) override;
  void Close() override;
  ErrorCode SetRate(std::uint32_t bitsPerSecond) override;
  ErrorCode Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count) override;
  ErrorCode Write(std::string_view bytes, std::size_t& written) override;
  ErrorCode PurgeReceive() override;
  ErrorCode ClearLineErrors(std::uint32_t& flags) override;
  bool IsPresent(const std::string& name) const override;

 private:
  ErrorCode CheckUsable() const;
  // Checks that `path` leads to a character device this user may open, and gives its real name.
  ErrorCode FindDevice(const std::string& path, std::string& device);
  ErrorCode ApplyLineSettings();
  ErrorCode ModemLineOutcome(bool set);
  void ClosePort();
  // The code of the port's pending error, which is then cleared for the next call.
  ErrorCode TakeError();
  void OnReadyRead();
  void OnErrorOccurred(QSerialPort::SerialPortError error);
  void AnnounceLoss(std::uint32_t openCount);

  QSerialPort port_;
  SerialDeviceEvents* events_ = nullptr;
  bool lost_ = false;
  bool closing_ = false;
  // Tells a loss announcement still in the queue from one that belongs to an earlier open.
  std::uint32_t openCount_ = 0;
};

}  // namespace vlx
