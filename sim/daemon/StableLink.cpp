#include "StableLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vlxsim {

bool StableLink::PointAt(const std::string& target, std::string& error) {
  struct stat existing {};
  if (lstat(path_.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    error = path_ + " exists and is not a symbolic link; not replacing it";
    return false;
  }
  const std::string temporary = path_ + ".tmp" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) {
    error = "symlink " + temporary + ": " + std::strerror(errno);
    return false;
  }
  if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
    error = "rename " + temporary + " to " + path_ + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    return false;
  }
  target_ = target;
  return true;
}

void StableLink::RemoveIfOurs() {
  if (target_.empty()) {
    return;
  }
  std::array<char, 4096> buffer{};
  const ssize_t n = readlink(path_.c_str(), buffer.data(), buffer.size() - 1);
  if (n > 0 && std::string(buffer.data(), static_cast<std::size_t>(n)) == target_) {
    unlink(path_.c_str());
  }
}

}  // namespace vlxsim
