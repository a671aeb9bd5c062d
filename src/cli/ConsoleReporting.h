#pragma once
// The command line's stand-ins for the status bar and the message boxes: lines on stderr.

#include "report/Prompts.h"
#include "report/StatusSink.h"

namespace vlx::cli {

class ConsoleStatusSink final : public StatusSink {
 public:
  explicit ConsoleStatusSink(bool verbose) : verbose_(verbose) {}
  void StatusText(const std::string& line) override;
  void VerboseText(const std::string& line) override;
  void TraceText(const std::string& line) override;

 private:
  bool verbose_;
};

// Tells what a box would have said; questions are answered "No", the answer that changes nothing.
class ConsolePrompts final : public Prompts {
 public:
  int MessageBox(const std::string& text, const std::string& caption, std::uint32_t style) override;
};

// Writes one line to stderr, a multi-line text as its lines.
void PrintError(const std::string& text);

}  // namespace vlx::cli
