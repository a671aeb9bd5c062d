#include "ControlFifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace vlxsim {

namespace {

constexpr std::size_t kMaxLine = 256;

}  // namespace

std::unique_ptr<ControlFifo> ControlFifo::Open(const std::string& path, std::string& error) {
  bool made = false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT || mkfifo(path.c_str(), 0600) != 0) {
      error = "cannot make the control pipe " + path + ": " + std::strerror(errno);
      return nullptr;
    }
    made = true;
  } else if (!S_ISFIFO(info.st_mode)) {
    error = path + " is not a named pipe; not using it for control";
    return nullptr;
  }
  // Read end first: opening the write end of a pipe without a reader fails.
  const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  const int keeper = reader < 0 ? -1 : open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (keeper < 0) {
    error = "cannot open the control pipe " + path + ": " + std::strerror(errno);
    if (reader >= 0) {
      close(reader);
    }
    if (made) {
      unlink(path.c_str());
    }
    return nullptr;
  }
  return std::unique_ptr<ControlFifo>(new ControlFifo(path, made, reader, keeper));
}

ControlFifo::ControlFifo(std::string path, bool made, int reader, int keeper)
    : path_(std::move(path)), made_(made), reader_(reader), keeper_(keeper) {}

ControlFifo::~ControlFifo() {
  close(reader_);
  close(keeper_);
  if (made_) {
    unlink(path_.c_str());
  }
}

std::vector<std::string> ControlFifo::TakeLines() {
  std::vector<std::string> lines;
  std::array<char, 512> buffer{};
  for (;;) {
    const ssize_t n = read(reader_, buffer.data(), buffer.size());
    if (n <= 0) {
      break;
    }
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[static_cast<std::size_t>(i)] == '\n') {
        if (partial_.size() <= kMaxLine) {
          lines.push_back(partial_);
        }
        partial_.clear();
      } else if (partial_.size() <= kMaxLine) {
        partial_.push_back(buffer[static_cast<std::size_t>(i)]);
      }
    }
  }
  return lines;
}

}  // namespace vlxsim
