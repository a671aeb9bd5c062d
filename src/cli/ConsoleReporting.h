#pragma once
// The command line's stand-ins for the status bar and the message boxes: lines on stderr.

#include <set>
#include <string>

#include "report/ErrorCode.h"
#include "report/Prompts.h"
#include "report/StatusSink.h"

namespace vlx::cli {

class ConsoleStatusSink final : public StatusSink {
 public:
  explicit ConsoleStatusSink(bool verbose) : verbose_(verbose) {}
  void StatusText(const std::string& line) override;
  void VerboseText(const std::string& line) override;
  void TraceText(const std::string& line) override;

  // The last text printed, whatever its channel.
  const std::string& LastText() const { return last_; }

 private:
  void Print(const std::string& text);

  bool verbose_;
  std::string last_;
};

// Tells what a box would have said; questions are answered "No", the answer that changes nothing.
// The window shows a failure report in the status bar and in a box, and shows a box again for
// the same reason when it comes up again (the port closed after another device answered); on one
// stream that is the same text twice, so each box text is printed once and not after the same
// status line.
class ConsolePrompts final : public Prompts {
 public:
  explicit ConsolePrompts(const ConsoleStatusSink& status) : status_(status) {}
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;

 private:
  const ConsoleStatusSink& status_;
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
