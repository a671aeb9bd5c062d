#pragma once
// A program started by a real-process test or benchmark: its output read with a deadline, its
// exit awaited with a deadline, and signals sent to it. Nothing here waits without a limit.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vlx::test {

// Where a child's stdout goes: captured, /dev/full, closed, or a pipe nobody reads any more.
enum class ChildStdout { kCaptured, kFullDevice, kClosed, kReaderGone };

class ChildProcess {
 public:
  // Starts `program` with `arguments`; stdout and stderr are captured separately, unless
  // `stdoutTo` sends stdout elsewhere (then Stdout() stays empty).
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               ChildStdout stdoutTo = ChildStdout::kCaptured);
  ~ChildProcess();  // kills the process if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  // Reads what has arrived until `done` holds for the stderr (or stdout) text, or time runs out.
  bool WaitForStderr(const std::string& needle, std::chrono::milliseconds limit);
  bool WaitForStdout(const std::string& needle, std::chrono::milliseconds limit);
  // The first line of stdout, once it is complete.
  std::optional<std::string> FirstStdoutLine(std::chrono::milliseconds limit);
  // Waits for the exit; the exit code, or nothing when it did not end in time (it is then killed).
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  void Signal(int signal) const;

  const std::string& Stdout() const { return stdout_; }
  const std::string& Stderr() const { return stderr_; }

 private:
  // Takes what is readable within `limit`; false when nothing more can come.
  bool Pump(std::chrono::milliseconds limit);
  bool WaitFor(const std::string& text, const std::string& needle, std::chrono::milliseconds limit);

  pid_t pid_ = -1;
  int stdoutFd_ = -1;
  int stderrFd_ = -1;
  std::string stdout_;
  std::string stderr_;
  std::optional<int> exitCode_;
};

}  // namespace vlx::test
