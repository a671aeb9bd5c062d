#pragma once
// Where the program's status and verbose lines go: the main window's status bar (and the
// Activity Log while the Firmware page shows), or stderr for the command-line companion.

#include <string>

namespace vlx {

class StatusSink {
 public:
  virtual ~StatusSink() = default;
  // A status line: always shown.
  virtual void StatusText(const std::string& line) = 0;
  // A verbose line: shown only while VerboseLogging is on; the sink applies the gate.
  virtual void VerboseText(const std::string& line) = 0;
  // A trace line of a machine's conversation; machines format them only while Trace is on.
  virtual void TraceText(const std::string& line) = 0;
};

}  // namespace vlx
