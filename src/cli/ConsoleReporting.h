#pragma once
// The command line's stand-ins for the status bar and the message boxes: lines on stderr.

#include <deque>
#include <set>
#include <string>

#include "report/ErrorCode.h"
#include "report/Prompts.h"
#include "report/StatusSink.h"

namespace vlx::cli {

class ConsoleStatusSink final : public StatusSink {
 public:
  // `quiet` leaves out status lines; a failure's box then tells its text.
  explicit ConsoleStatusSink(bool verbose, bool quiet = false) : verbose_(verbose), quiet_(quiet) {}
  void StatusText(const std::string& line) override;
  void VerboseText(const std::string& line) override;
  void TraceText(const std::string& line) override;

  // Whether `text` is among the latest status lines and no box has claimed that line yet; a
  // match claims it, so a failure reported again is matched again by its own line.
  bool ClaimStatusLine(const std::string& text);

  // With `quiet`, prints the last status line held back, for a failure only a status line tells.
  void TellHeldLine();

 private:
  bool verbose_;
  bool quiet_;
  std::string held_;
  std::deque<std::string> unclaimed_;
};

// Tells what a box would have said, each text once and none a status line has just told; questions
// are answered "No", the answer that changes nothing.
class ConsolePrompts final : public Prompts {
 public:
  explicit ConsolePrompts(ConsoleStatusSink& status) : status_(status) {}
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
  // Told in a terminal's terms; the window's line and box are left out.
  bool TellFileFailure(const char* step, ErrorCode code, const std::string& path) override;

 private:
  ConsoleStatusSink& status_;
  std::set<std::string> shown_;
};

// Writes one line to stderr, a multi-line text as its lines. A progress line on the terminal is
// taken away first and drawn again below it.
void PrintError(const std::string& text);

// Draws `text` as the progress line: the last line of a terminal, redrawn in place by the next
// call. Only for a terminal; an empty text takes it away.
void ShowProgressLine(const std::string& text);

// What vlxctl says after the port watch has announced a lost port, when no --timeout limits the
// wait for it to be back.
std::string WaitingForPortText(const std::string& port);

}  // namespace vlx::cli
