#include "PtyEndpoint.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace vlxsim {

namespace {

struct SpeedRate {
  speed_t speed;
  std::uint32_t rate;
};

constexpr std::array<SpeedRate, 18> kSpeeds = {{{B50, 50},
                                                {B75, 75},
                                                {B110, 110},
                                                {B134, 134},
                                                {B150, 150},
                                                {B200, 200},
                                                {B300, 300},
                                                {B600, 600},
                                                {B1200, 1200},
                                                {B1800, 1800},
                                                {B2400, 2400},
                                                {B4800, 4800},
                                                {B9600, 9600},
                                                {B19200, 19200},
                                                {B38400, 38400},
                                                {B57600, 57600},
                                                {B115200, 115200},
                                                {B230400, 230400}}};

std::string Failure(const char* call) {
  return std::string(call) + ": " + std::strerror(errno);
}

}  // namespace

std::unique_ptr<PtyEndpoint> PtyEndpoint::Open(std::string& error) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) {
    error = Failure("posix_openpt");
    return nullptr;
  }
  const char* name = nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
    error = Failure("grantpt/unlockpt/ptsname");
    close(master);
    return nullptr;
  }
  const std::string slavePath = name;
  const int slave = open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    error = Failure("open slave");
    close(master);
    return nullptr;
  }
  auto endpoint = std::unique_ptr<PtyEndpoint>(new PtyEndpoint(master, slave, slavePath));
  // Raw, or the line discipline would echo the replies back to us as commands until the program
  // sets up its own side. Non-blocking, so a program that stops reading cannot stall the daemon.
  termios tio{};
  if (tcgetattr(master, &tio) != 0) {
    error = Failure("tcgetattr");
    return nullptr;
  }
  cfmakeraw(&tio);
  if (cfsetspeed(&tio, B38400) != 0 || tcsetattr(master, TCSANOW, &tio) != 0 ||
      fcntl(master, F_SETFL, O_NONBLOCK) != 0) {
    error = Failure("set up terminal");
    return nullptr;
  }
  return endpoint;
}

PtyEndpoint::PtyEndpoint(int master, int slave, std::string slavePath)
    : master_(master), slave_(slave), slavePath_(std::move(slavePath)) {}

PtyEndpoint::~PtyEndpoint() {
  close(slave_);
  close(master_);
}

std::uint32_t PtyEndpoint::ProgramRate() const {
  termios tio{};
  if (tcgetattr(master_, &tio) != 0) {
    return 0;
  }
  const speed_t speed = cfgetospeed(&tio);
  for (const SpeedRate& entry : kSpeeds) {
    if (entry.speed == speed) {
      return entry.rate;
    }
  }
  return 0;
}

bool PtyEndpoint::Read(std::string& bytes) {
  std::array<char, 512> buffer{};
  for (;;) {
    const ssize_t n = read(master_, buffer.data(), buffer.size());
    if (n > 0) {
      bytes.append(buffer.data(), static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) {
      continue;
    }
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

void PtyEndpoint::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(master_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace vlxsim
