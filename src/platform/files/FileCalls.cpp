#include "files/FileCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace vlx {

int FileCalls::Open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

ssize_t FileCalls::Write(int descriptor, const void* data, std::size_t size) {
  return ::write(descriptor, data, size);
}

int FileCalls::Sync(int descriptor) {
  return ::fsync(descriptor);
}

int FileCalls::Close(int descriptor) {
  return ::close(descriptor);
}

int FileCalls::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}

FileCalls& FileCalls::System() {
  static FileCalls calls;
  return calls;
}

}  // namespace vlx
