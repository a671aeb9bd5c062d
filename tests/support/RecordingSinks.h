#pragma once
// Recording stand-ins for the window's status bar and message boxes.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "report/Prompts.h"
#include "report/StatusSink.h"

namespace vlx::test {

class RecordingStatusSink final : public StatusSink {
 public:
  void StatusText(const std::string& line) override { statusLines.push_back(line); }
  void VerboseText(const std::string& line) override { verboseLines.push_back(line); }
  void TraceText(const std::string& line) override { traceLines.push_back(line); }

  std::vector<std::string> statusLines;
  std::vector<std::string> verboseLines;
  std::vector<std::string> traceLines;
};

class ScriptedPrompts final : public Prompts {
 public:
  struct Box {
    std::string text;
    std::string caption;
    std::uint32_t style;
  };

  int MessageBox(const std::string& text, const std::string& caption,
                 std::uint32_t style) override {
    boxes.push_back(Box{text, caption, style});
    if (answers.empty()) {
      return mb::kIdOk;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<Box> boxes;
  std::deque<int> answers;
};

}  // namespace vlx::test
