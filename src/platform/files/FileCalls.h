#pragma once
// The system calls through which the program writes its own files, behind one seam so that a test
// can make any one of them fail as a failing, full or read-only disk would.

#include <sys/types.h>

#include <cstddef>

namespace vlx {

class FileCalls {
 public:
  virtual ~FileCalls() = default;

  // Each behaves as the system call of its name: -1 with errno on failure.
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Write(int descriptor, const void* data, std::size_t size);
  virtual int Sync(int descriptor);
  virtual int Close(int descriptor);
  virtual int Rename(const char* from, const char* to);

  // The calls as the system makes them.
  static FileCalls& System();
};

}  // namespace vlx
