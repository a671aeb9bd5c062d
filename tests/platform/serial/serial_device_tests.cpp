// QtSerialDevice against a pseudo-terminal whose master end plays the amplifier.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "ErrorTexts.h"
#include "serial/QtSerialDevice.h"
#include "support/platform/EventLoop.h"

namespace vlx {
namespace {

using namespace std::chrono_literals;
using vlxtest::SpinFor;
using vlxtest::SpinUntil;

// The amplifier's end of a pseudo-terminal.
class PtyPeer {
 public:
  PtyPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      return;
    }
    termios raw{};
    ::tcgetattr(master_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master_, TCSANOW, &raw);
    path_ = ::ptsname(master_);
  }
  ~PtyPeer() { Hangup(); }
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& Path() const { return path_; }

  void Send(const std::string& bytes) const {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What the device has put on the line, waiting for it without the event loop's help.
  std::string Receive(std::size_t expected) const {
    std::string got;
    pollfd ready{master_, POLLIN, 0};
    while (got.size() < expected && ::poll(&ready, 1, 1000) == 1) {
      char chunk[256];
      const ssize_t n = ::read(master_, chunk, sizeof chunk);
      if (n <= 0) {
        break;
      }
      got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
  }

  // The line settings the slave end was given (the pair shares one set).
  termios Line() const {
    termios line{};
    ::tcgetattr(master_, &line);
    return line;
  }

  // The other end going away, as far as the port can tell like an adapter pulled out.
  void Hangup() {
    if (master_ >= 0) {
      ::close(master_);
      master_ = -1;
    }
  }

 private:
  int master_ = -1;
  std::string path_;
};

class RecordingEvents : public SerialDeviceEvents {
 public:
  void OnCharactersReceived() override { ++received; }
  void OnDeviceLost() override { ++lost; }
  int received = 0;
  int lost = 0;
};

// Counts the socket activations the event loop delivers: a port left open on a dead device
// shows up here as a flood.
class SocketActivityCounter : public QObject {
 public:
  SocketActivityCounter() { QCoreApplication::instance()->installEventFilter(this); }
  ~SocketActivityCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::SockAct) {
      ++count;
    }
    return QObject::eventFilter(watched, event);
  }
  int count = 0;
};

class QtSerialDeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(peer_.Path().empty()) << "no pseudo-terminal";
    device_.SetEvents(&events_);
  }

  std::string ReadAll() {
    std::string got;
    std::uint8_t byte = 0;
    std::size_t count = 0;
    while (device_.Read(&byte, 1, count) == err::kSuccess && count == 1) {
      got.push_back(static_cast<char>(byte));
    }
    return got;
  }

  PtyPeer peer_;
  RecordingEvents events_;
  QtSerialDevice device_;
};

speed_t SpeedOf(const termios& line) {
  return ::cfgetospeed(&line);
}

TEST(SerialDevicePathTest, BareNamesLiveInDevAndPathsAreTakenAsTyped) {
  EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(SerialDevicePath("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");
  EXPECT_EQ(SerialDevicePath("links/port"), "./links/port");
}

TEST_F(QtSerialDeviceTest, OpensAt38400EightNoneOneWithoutFlowControlAndChangesRate) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  const termios line = peer_.Line();
  EXPECT_EQ(SpeedOf(line), B38400);
  EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);

  const std::pair<std::uint32_t, speed_t> rates[] = {
      {9600, B9600}, {4800, B4800}, {19200, B19200}, {38400, B38400}};
  for (const auto& [rate, speed] : rates) {
    EXPECT_EQ(device_.SetRate(rate), err::kSuccess) << rate;
    EXPECT_EQ(SpeedOf(peer_.Line()), speed) << rate;
  }
}

// What a user may type as the port, and the code each gets: its own code for every case, so the
// message says what is wrong in words that fit.
TEST_F(QtSerialDeviceTest, NamesThatLeadToNoSerialPortGetCodesOfTheirOwn) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string plainFile = folder.filePath("notes.txt").toStdString();
  ASSERT_TRUE(QFile(QString::fromStdString(plainFile)).open(QIODevice::WriteOnly));
  struct Case {
    const char* what;
    std::string name;
    ErrorCode code;
  };
  const Case cases[] = {
      {"missing device", "/tmp/vlx-no-such-port", err::kFileNotFound},
      {"missing device under /dev", "vlx-no-such-port", err::kFileNotFound},
      {"missing folder", "/no-such-folder/port", err::kPathNotFound},
      {"plain file on the way", plainFile + "/port", err::kPathNotFound},
      {"folder", folder.path().toStdString(), err::kNotASerialPort},
      {"plain file", plainFile, err::kNotASerialPort},
      {"device that is no terminal", "/dev/null", err::kNotASerialPort},
      {"name too long", "/dev/" + std::string(300, 'x'), err::kFilenameTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const OpenOutcome outcome = device_.Open(c.name);
    EXPECT_EQ(outcome.code, c.code);
    EXPECT_EQ(outcome.failedCall, "") << "the caller words a port that did not open";
    std::size_t written = 0;
    EXPECT_EQ(device_.Write(";", written), err::kInvalidHandle) << "nothing is left open";
  }
}

// The lock is the device's, not the name's, and it holds for the superuser as for anyone.
TEST_F(QtSerialDeviceTest, ALinkAndItsTargetAreOnePort) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string link = folder.filePath("usb-VLX750-if00-port0").toStdString();
  ASSERT_EQ(::symlink(peer_.Path().c_str(), link.c_str()), 0);

  const std::pair<std::string, std::string> orders[] = {{link, peer_.Path()}, {peer_.Path(), link}};
  for (const auto& [first, second] : orders) {
    SCOPED_TRACE(first);
    ASSERT_EQ(device_.Open(first).code, err::kSuccess);
    QtSerialDevice other;
    EXPECT_EQ(other.Open(second).code, err::kAccessDenied);
    device_.Close();
    EXPECT_EQ(other.Open(second).code, err::kSuccess);
  }
}

TEST_F(QtSerialDeviceTest, PortHeldByAnotherOpenIsInUseUntilReleased) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  QtSerialDevice other;
  EXPECT_EQ(other.Open(peer_.Path()).code, err::kAccessDenied);
  device_.Close();
  EXPECT_EQ(other.Open(peer_.Path()).code, err::kSuccess);
}

TEST_F(QtSerialDeviceTest, CallsOnAClosedPortFailWithInvalidHandle) {
  std::uint8_t byte = 0;
  std::size_t count = 7;
  std::size_t written = 7;
  EXPECT_EQ(device_.Read(&byte, 1, count), err::kInvalidHandle);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(device_.Write("x", written), err::kInvalidHandle);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(device_.PurgeReceive(), err::kInvalidHandle);
  EXPECT_EQ(device_.SetRate(9600), err::kInvalidHandle);
}

TEST_F(QtSerialDeviceTest, ReceivedBytesAreAnnouncedAndReadOneAtATimeWithoutWaiting) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  std::uint8_t byte = 0;
  std::size_t count = 7;
  EXPECT_EQ(device_.Read(&byte, 1, count), err::kSuccess);
  EXPECT_EQ(count, 0u);

  peer_.Send("^RVM01.23;");
  ASSERT_TRUE(SpinUntil([&] { return events_.received > 0; }, 2s));
  std::string got = ReadAll();
  // A burst may be split by the driver; the rest follows with its own notification.
  SpinUntil([&] { return (got += ReadAll()).size() >= 10; }, 2s);
  EXPECT_EQ(got, "^RVM01.23;");
}

TEST_F(QtSerialDeviceTest, WritesLeaveAtOnceWithoutTheEventLoop) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  std::size_t written = 0;
  ASSERT_EQ(device_.Write("^brp1;", written), err::kSuccess);
  EXPECT_EQ(written, 6u);
  ASSERT_EQ(device_.Write(";", written), err::kSuccess);
  EXPECT_EQ(peer_.Receive(7), "^brp1;;");
}

TEST_F(QtSerialDeviceTest, PurgeDropsWhatWasReceivedAndNotRead) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  peer_.Send("stale;");
  ASSERT_TRUE(SpinUntil([&] { return events_.received > 0; }, 2s));
  EXPECT_EQ(device_.PurgeReceive(), err::kSuccess);
  EXPECT_EQ(ReadAll(), "");

  peer_.Send("Z;");
  std::string got;
  ASSERT_TRUE(SpinUntil([&] { return (got += ReadAll()).size() >= 2; }, 2s));
  EXPECT_EQ(got, "Z;");
}

TEST_F(QtSerialDeviceTest, LostDeviceIsAnnouncedOnceAndANewOpenRecovers) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  peer_.Hangup();
  ASSERT_TRUE(SpinUntil([&] { return events_.lost > 0; }, 2s));

  SocketActivityCounter activity;
  SpinFor(200ms);
  EXPECT_EQ(events_.lost, 1);
  EXPECT_LT(activity.count, 10) << "the dead port still floods the event loop";
  std::uint8_t byte = 0;
  std::size_t count = 0;
  std::size_t written = 0;
  EXPECT_EQ(device_.Read(&byte, 1, count), err::kDeviceRemoved);
  EXPECT_EQ(device_.Write(";", written), err::kDeviceRemoved);
  EXPECT_EQ(device_.PurgeReceive(), err::kDeviceRemoved);
  EXPECT_EQ(device_.SetRate(9600), err::kDeviceRemoved);

  device_.Close();
  PtyPeer replugged;
  ASSERT_EQ(device_.Open(replugged.Path()).code, err::kSuccess);
  ASSERT_EQ(device_.Write(";", written), err::kSuccess);
  EXPECT_EQ(replugged.Receive(1), ";");
  replugged.Send("A;");
  EXPECT_TRUE(SpinUntil([&] { return events_.received > 0 && ReadAll() == "A;"; }, 2s));
  EXPECT_EQ(events_.lost, 1);
}

TEST_F(QtSerialDeviceTest, CloseBeforeTheLossIsAnnouncedCancelsTheAnnouncement) {
  ASSERT_EQ(device_.Open(peer_.Path()).code, err::kSuccess);
  peer_.Hangup();
  std::size_t written = 0;
  // Let the port meet the hang-up, then close and reopen before the queued announcement runs.
  SpinUntil([&] { return device_.Write(";", written) == err::kDeviceRemoved; }, 2s);
  device_.Close();
  PtyPeer replugged;
  ASSERT_EQ(device_.Open(replugged.Path()).code, err::kSuccess);
  SpinFor(100ms);
  EXPECT_EQ(events_.lost, 0);
  EXPECT_EQ(device_.Write(";", written), err::kSuccess);
}

TEST(ErrorCodeFromOpenErrnoTest, TellsForbiddenFromBusyOnTopOfTheSharedTable) {
  const std::pair<int, ErrorCode> cases[] = {
      {ENOENT, err::kFileNotFound},          {ENODEV, err::kFileNotFound},
      {ENXIO, err::kFileNotFound},           {EACCES, err::kPrivilegeNotHeld},
      {EPERM, err::kPrivilegeNotHeld},       {EBUSY, err::kAccessDenied},
      {ENAMETOOLONG, err::kFilenameTooLong}, {EIO, err::FromErrno(EIO)},
  };
  for (const auto& [error, code] : cases) {
    EXPECT_EQ(ErrorCodeFromOpenErrno(error), code) << error;
  }
}

// Root opens anything, so the refusal is made real in a child that gives up root; the device is
// a root-owned node that only its owner may use, as a fresh USB adapter can be.
TEST(SerialPermissionTest, ADeviceOnlyRootMayUseNamesItsOwnerAndModeNeverTheRootGroup) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root to become an unprivileged user";
  }
  PtyPeer peer;
  ASSERT_FALSE(peer.Path().empty());
  struct stat original {};
  ASSERT_EQ(::stat(peer.Path().c_str(), &original), 0);
  ASSERT_EQ(::chown(peer.Path().c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod(peer.Path().c_str(), 0600), 0);
  const std::string path = peer.Path();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
          std::_Exit(2);
        }
        QtSerialDevice device;
        const bool refused = device.Open(path).code == err::kPrivilegeNotHeld;
        const std::string text = PlatformSystemText(err::kPrivilegeNotHeld);
        const bool explained =
            text == "Permission denied: \"" + path +
                        "\" is not accessible to this user. It belongs to user \"root\" and "
                        "group \"root\" with mode crw------- (0600).";
        std::_Exit(refused && explained ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
  ::chown(path.c_str(), original.st_uid, original.st_gid);
}

}  // namespace
}  // namespace vlx
