#include "Output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "report/ErrnoCode.h"
#include "report/ErrorText.h"

namespace vlx::cli {
namespace {

enum class OutputState { kOpen, kReaderGone, kFailed };

// stdout is one stream for the whole process, so this is its one state.
OutputState state = OutputState::kOpen;

// Ends the output after a failed write or close whose errno is `error`.
void Fail(int error) {
  if (state != OutputState::kOpen) {
    return;
  }
  if (error == EPIPE) {
    // Whoever read the output has all they wanted.
    state = OutputState::kReaderGone;
    return;
  }
  state = OutputState::kFailed;
  PrintError("vlxctl: cannot write the output: " +
             FormatErrorText(ErrorCodeFromErrno(error, FileOperation::kWrite)));
}

bool IsClosed(int fd) {
  return fcntl(fd, F_GETFD) == -1 && errno == EBADF;
}

}  // namespace

void GuardStandardStreams() {
  std::signal(SIGPIPE, SIG_IGN);
  for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (!IsClosed(fd)) {
      continue;
    }
    // The lowest free number is taken, and the lower ones are open by now: this is `fd`.
    const int stand = open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
    if (stand >= 0 && stand != fd) {
      dup2(stand, fd);
      close(stand);
    }
  }
}

bool WriteOutput(std::string_view text) {
  if (state != OutputState::kOpen) {
    return false;
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    Fail(errno);
    return false;
  }
  return true;
}

bool PrintOutput(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) {
    std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  }
  va_end(arguments);
  return WriteOutput(text);
}

int OutputExitCode(int verbCode) {
  return state == OutputState::kFailed && verbCode == exit_code::kSuccess ? exit_code::kFailure
                                                                          : verbCode;
}

int FinishOutput(int verbCode) {
  // What went out through other means than WriteOutput is checked here too.
  if (std::fflush(stdout) != 0) {
    Fail(errno);
  }
  if (std::fclose(stdout) != 0) {
    Fail(errno);
  }
  return OutputExitCode(verbCode);
}

}  // namespace vlx::cli
