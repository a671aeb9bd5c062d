#include "EepromFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/EepromStore.h"

namespace vlxsim {

namespace {

std::string Reason(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool LoadEepromFile(const std::string& path, std::string& bytes, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = Reason("cannot open", path);
    return false;
  }
  bytes.clear();
  char buffer[EepromStore::kSize + 1];
  ssize_t n = 0;
  // One byte more than an EEPROM holds is enough to tell a longer file.
  while (bytes.size() <= EepromStore::kSize &&
         (n = read(fd, buffer, sizeof buffer - bytes.size())) > 0) {
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  const int readErrno = errno;
  close(fd);
  if (n < 0) {
    errno = readErrno;
    error = Reason("cannot read", path);
    return false;
  }
  if (bytes.size() != EepromStore::kSize) {
    error = path + " is not an EEPROM dump of " + std::to_string(EepromStore::kSize) + " bytes";
    return false;
  }
  return true;
}

bool DumpEepromFile(const std::string& path, const std::string& bytes, std::string& error) {
  const std::string temporary = path + ".tmp" + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = Reason("cannot create", temporary);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == bytes.size() && fsync(fd) == 0;
  const int writeErrno = errno;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    errno = written ? errno : writeErrno;
    error = Reason("cannot write", path);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace vlxsim
