#pragma once
// Everything vlxctl prints on stdout goes through here, so that one place checks every write, the
// final flush and the close of stdout. A failure is told once on stderr and makes the exit code a
// failure; a reader that went away (`vlxctl faults | head -3`) only ends the output, quietly.

#include <string_view>

namespace vlx::cli {

// Run first in main, before anything opens a file: SIGPIPE is ignored, so a reader that goes away
// shows as a failed write rather than killing the process in the middle of a conversation; and a
// closed stdin, stdout or stderr is taken by /dev/null, so the serial port or a file opened later
// never lands on it. A closed stdout is opened for reading only, so that every write to it fails
// as it would have (EBADF).
void GuardStandardStreams();

// Writes `text` to stdout and flushes it. False once the output has ended: the reader went away,
// or a write failed (told on stderr at once); nothing more is written then.
bool WriteOutput(std::string_view text);

// WriteOutput with a printf format; the text may be of any length.
[[gnu::format(printf, 1, 2)]] bool PrintOutput(const char* format, ...);

// The exit code of a verb that ended with `verbCode`: a failed output turns success into failure.
int OutputExitCode(int verbCode);

// Flushes and closes stdout, then returns OutputExitCode(verbCode). Run last in main.
int FinishOutput(int verbCode);

}  // namespace vlx::cli
