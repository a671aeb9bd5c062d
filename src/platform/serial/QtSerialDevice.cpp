#include "serial/QtSerialDevice.h"

#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

#include "ErrorTexts.h"
#include "report/ErrnoCode.h"

namespace vlx {
namespace {

constexpr qint32 kOpenRate = 38400;

// Looks an id up through one of the reentrant name lookups, growing the buffer as asked; the
// number itself when the system has no name for it.
template <typename Entry, typename Id, typename Lookup>
std::string NameOf(Id id, Lookup lookup) {
  std::vector<char> buffer(1024);
  Entry entry{};
  Entry* found = nullptr;
  int result = 0;
  while ((result = lookup(id, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (result != 0 || found == nullptr) {
    return std::to_string(id);
  }
  if constexpr (std::is_same_v<Entry, struct passwd>) {
    return found->pw_name;
  } else {
    return found->gr_name;
  }
}

DeviceOwnership OwnershipOf(const struct stat& info) {
  return {NameOf<struct passwd>(info.st_uid, ::getpwuid_r),
          NameOf<struct group>(info.st_gid, ::getgrgid_r), static_cast<std::uint32_t>(info.st_gid),
          static_cast<std::uint32_t>(info.st_mode)};
}

// The device a name finally leads to: by-id links and any other link resolved, so one device has
// one name for every lock taken on it.
std::string RealPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
  return real ? std::string(real.get()) : path;
}

}  // namespace

std::string SerialDevicePath(const std::string& name) {
  if (name.find('/') == std::string::npos) {
    return "/dev/" + name;
  }
  // QSerialPort would put a relative path under /dev as well; a typed path means the user's own.
  return name.front() == '/' ? name : "./" + name;
}

ErrorCode ErrorCodeFromOpenErrno(int error, const std::string& path) {
  switch (error) {
    case EACCES:
    case EPERM:
      return err::kPrivilegeNotHeld;
    case EBUSY:
      return err::kAccessDenied;
    case ENODEV:
    case ENXIO:
      return err::kFileNotFound;
    default:
      return ErrorCodeFromErrno(error, FileOperation::kOther, path);
  }
}

ErrorCode ErrorCodeFromSerialPortError(QSerialPort::SerialPortError error) {
  switch (error) {
    case QSerialPort::NoError:
      return err::kSuccess;
    case QSerialPort::DeviceNotFoundError:
      return err::kFileNotFound;
    // After the access check has passed, a refusal means another program holds the port
    // (its lock file, or the exclusive mode of the terminal).
    case QSerialPort::PermissionError:
      return err::kAccessDenied;
    case QSerialPort::WriteError:
      return err::kWriteFault;
    case QSerialPort::ReadError:
      return err::kReadFault;
    case QSerialPort::ResourceError:
      return err::kDeviceRemoved;
    case QSerialPort::UnsupportedOperationError:
      return err::kInvalidParameter;
    case QSerialPort::NotOpenError:
      return err::kInvalidHandle;
    case QSerialPort::OpenError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnknownError:
      return err::kGenFailure;
  }
  return err::kGenFailure;
}

QtSerialDevice::QtSerialDevice(QObject* parent) : QObject(parent) {
  connect(&port_, &QSerialPort::readyRead, this, &QtSerialDevice::OnReadyRead);
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialDevice::OnErrorOccurred);
}

QtSerialDevice::~QtSerialDevice() {
  Close();
}

OpenOutcome QtSerialDevice::Open(const std::string& name) {
  if (port_.isOpen() && !lost_) {
    return {};
  }
  Close();
  std::string device;
  if (const ErrorCode code = FindDevice(SerialDevicePath(name), device); code != err::kSuccess) {
    return {code};
  }
  port_.setPortName(QString::fromStdString(device));
  // QSerialPort opens exclusively: a lock file named after the device and the terminal's
  // exclusive mode.
  if (!port_.open(QIODevice::ReadWrite)) {
    // The toolkit finds out only now that a character device is no terminal (/dev/null).
    if (port_.error() == QSerialPort::UnsupportedOperationError) {
      port_.clearError();
      return {err::kNotASerialPort};
    }
    return {TakeError()};
  }
  // The exclusive mode does not stop the superuser, and the lock file stops only those who look
  // for it under the same name; a lock on the device node itself holds for everyone.
  if (::flock(static_cast<int>(port_.handle()), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ClosePort();
    return {error == EWOULDBLOCK ? err::kAccessDenied : ErrorCodeFromOpenErrno(error, device)};
  }
  ++openCount_;
  // Left open on failure: the caller reports the failed call with the line's state, then closes.
  if (const ErrorCode code = ApplyLineSettings(); code != err::kSuccess) {
    return {code, kSetCommState};
  }
  return {};
}

ErrorCode QtSerialDevice::FindDevice(const std::string& path, std::string& device) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    const int error = errno;
    if (error == EACCES) {
      RecordDeviceAccessDenied(path, std::nullopt);
    }
    return ErrorCodeFromOpenErrno(error, path);
  }
  // A folder, a plain file or a pipe would be refused by the toolkit in words about parameters
  // or failing hardware; this says what is wrong.
  if (!S_ISCHR(info.st_mode)) {
    return err::kNotASerialPort;
  }
  device = RealPath(path);
  // The toolkit reports a device the user may not open the same way as one another program
  // holds; asking first tells the two apart, so the user learns what would let them in.
  if (::access(device.c_str(), R_OK | W_OK) != 0) {
    const int error = errno;
    if (error == EACCES) {
      RecordDeviceAccessDenied(device, OwnershipOf(info));
    }
    return ErrorCodeFromOpenErrno(error, device);
  }
  return err::kSuccess;
}

// Applied once the device is open, not handed to the toolkit's open, so that a setting the device
// refuses is a failed set-up call of its own rather than a port that would not open.
ErrorCode QtSerialDevice::ApplyLineSettings() {
  if (!port_.setBaudRate(kOpenRate) || !port_.setDataBits(QSerialPort::Data8) ||
      !port_.setParity(QSerialPort::NoParity) || !port_.setStopBits(QSerialPort::OneStop) ||
      !port_.setFlowControl(QSerialPort::NoFlowControl)) {
    return TakeError();
  }
  if (const ErrorCode code = ModemLineOutcome(port_.setDataTerminalReady(false));
      code != err::kSuccess) {
    return code;
  }
  return ModemLineOutcome(port_.setRequestToSend(false));
}

ErrorCode QtSerialDevice::ModemLineOutcome(bool set) {
  // A pseudo-terminal has no modem lines; that is no reason to refuse it.
  if (!set && port_.error() != QSerialPort::UnsupportedOperationError) {
    return TakeError();
  }
  port_.clearError();
  return err::kSuccess;
}

void QtSerialDevice::Close() {
  lost_ = false;
  ClosePort();
}

void QtSerialDevice::ClosePort() {
  // Closing a port whose device is gone raises errors of its own; they mean nothing now.
  closing_ = true;
  if (port_.isOpen()) {
    port_.close();
  }
  closing_ = false;
  port_.clearError();
}

ErrorCode QtSerialDevice::CheckUsable() const {
  if (lost_) {
    return err::kDeviceRemoved;
  }
  return port_.isOpen() ? err::kSuccess : err::kInvalidHandle;
}

ErrorCode QtSerialDevice::TakeError() {
  const ErrorCode code = lost_ ? err::kDeviceRemoved : ErrorCodeFromSerialPortError(port_.error());
  port_.clearError();
  return code == err::kSuccess ? err::kGenFailure : code;
}

ErrorCode QtSerialDevice::SetRate(std::uint32_t bitsPerSecond) {
  if (const ErrorCode code = CheckUsable(); code != err::kSuccess) {
    return code;
  }
  return port_.setBaudRate(static_cast<qint32>(bitsPerSecond)) ? err::kSuccess : TakeError();
}

ErrorCode QtSerialDevice::Read(std::uint8_t* buffer, std::size_t maxCount, std::size_t& count) {
  count = 0;
  if (const ErrorCode code = CheckUsable(); code != err::kSuccess) {
    return code;
  }
  // Only what the event loop has already taken from the line: this never waits.
  const qint64 got = port_.read(reinterpret_cast<char*>(buffer), static_cast<qint64>(maxCount));
  if (got < 0) {
    return TakeError();
  }
  count = static_cast<std::size_t>(got);
  return err::kSuccess;
}

bool QtSerialDevice::IsPresent(const std::string& name) const {
  struct stat info {};
  return ::stat(SerialDevicePath(name).c_str(), &info) == 0;
}

ErrorCode QtSerialDevice::Write(std::string_view bytes, std::size_t& written) {
  written = 0;
  if (const ErrorCode code = CheckUsable(); code != err::kSuccess) {
    return code;
  }
  const qint64 accepted = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (accepted < 0) {
    return TakeError();
  }
  // Hand the bytes to the driver now rather than at the next turn of the event loop: a speed
  // change follows the speed command after a short sleep, and the command must leave at the
  // old rate.
  if (!port_.flush() && (lost_ || port_.error() != QSerialPort::NoError)) {
    return TakeError();
  }
  written = static_cast<std::size_t>(accepted);
  return err::kSuccess;
}

ErrorCode QtSerialDevice::PurgeReceive() {
  if (const ErrorCode code = CheckUsable(); code != err::kSuccess) {
    return code;
  }
  // Drops the toolkit's buffer and the driver's receive queue; what is being sent stays.
  return port_.clear(QSerialPort::Input) ? err::kSuccess : TakeError();
}

// The toolkit reports no overrun, parity, framing or break conditions of its own, so there are
// never flags to give; the call still tells whether the port can be asked.
ErrorCode QtSerialDevice::ClearLineErrors(std::uint32_t& flags) {
  flags = 0;
  return CheckUsable();
}

void QtSerialDevice::OnReadyRead() {
  if (!lost_ && events_ != nullptr) {
    events_->OnCharactersReceived();
  }
}

void QtSerialDevice::OnErrorOccurred(QSerialPort::SerialPortError error) {
  if (closing_ || lost_ || !port_.isOpen()) {
    return;
  }
  // Other errors belong to the call that met them and come back as its code.
  if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) {
    return;
  }
  // The device is gone (adapter pulled out, or the other end of a pseudo-terminal closed). The
  // port keeps signalling errors while open, so it is closed; closing and telling the program
  // wait for the event loop, because this may run inside one of our own calls or inside the
  // toolkit's read handler, where neither the port nor the caller expects to be pulled away.
  lost_ = true;
  QMetaObject::invokeMethod(
      this, [this, open = openCount_] { AnnounceLoss(open); }, Qt::QueuedConnection);
}

void QtSerialDevice::AnnounceLoss(std::uint32_t openCount) {
  if (!lost_ || openCount != openCount_) {
    return;
  }
  ClosePort();
  if (events_ != nullptr) {
    events_->OnDeviceLost();
  }
}

}  // namespace vlx
