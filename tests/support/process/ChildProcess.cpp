#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>

extern char** environ;

namespace vlx::test {
namespace {
using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}
}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           ChildStdout stdoutTo) {
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  if (stdoutTo == ChildStdout::kFullDevice) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
  } else if (stdoutTo == ChildStdout::kClosed) {
    posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
  } else if (stdoutTo == ChildStdout::kReaderGone) {
    // Gone before the child starts, so its first write meets no reader.
    close(out[0]);
    out[0] = -1;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) {
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  stdoutFd_ = out[0];
  stderrFd_ = err[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exitCode_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (stdoutFd_ >= 0) {
    close(stdoutFd_);
  }
  if (stderrFd_ >= 0) {
    close(stderrFd_);
  }
}

bool ChildProcess::Pump(std::chrono::milliseconds limit) {
  std::array<pollfd, 2> fds{{{stdoutFd_, POLLIN, 0}, {stderrFd_, POLLIN, 0}}};
  if (stdoutFd_ < 0 && stderrFd_ < 0) {
    return false;
  }
  if (poll(fds.data(), fds.size(), static_cast<int>(limit.count())) <= 0) {
    return true;
  }
  std::array<std::string*, 2> sinks{&stdout_, &stderr_};
  std::array<int*, 2> owners{&stdoutFd_, &stderrFd_};
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
      continue;
    }
    char buffer[4096];
    const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
    if (got > 0) {
      sinks[i]->append(buffer, static_cast<std::size_t>(got));
    } else {
      close(*owners[i]);
      *owners[i] = -1;
    }
  }
  return true;
}

bool ChildProcess::WaitFor(const std::string& text, const std::string& needle,
                           std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (text.find(needle) == std::string::npos) {
    const int left = Remaining(deadline);
    if (left == 0 || !Pump(std::chrono::milliseconds(left))) {
      return text.find(needle) != std::string::npos;
    }
  }
  return true;
}

bool ChildProcess::WaitForStderr(const std::string& needle, std::chrono::milliseconds limit) {
  return WaitFor(stderr_, needle, limit);
}

bool ChildProcess::WaitForStdout(const std::string& needle, std::chrono::milliseconds limit) {
  return WaitFor(stdout_, needle, limit);
}

std::optional<std::string> ChildProcess::FirstStdoutLine(std::chrono::milliseconds limit) {
  if (!WaitForStdout("\n", limit)) {
    return std::nullopt;
  }
  return stdout_.substr(0, stdout_.find('\n'));
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (exitCode_ || pid_ <= 0) {
    return exitCode_;
  }
  const auto deadline = Clock::now() + limit;
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      while (Pump(std::chrono::milliseconds(0)) && (stdoutFd_ >= 0 || stderrFd_ >= 0)) {
      }
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    const int left = Remaining(deadline);
    if (left == 0) {
      return std::nullopt;
    }
    Pump(std::chrono::milliseconds(std::min(left, 20)));
  }
}

void ChildProcess::Signal(int signal) const {
  if (pid_ > 0 && !exitCode_) {
    kill(pid_, signal);
  }
}

}  // namespace vlx::test
