#pragma once
// Recording stand-ins for the window's status bar and message boxes.

#include <cstdint>
#include <deque>
#include <functional>
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
    if (whileOpen) {
      whileOpen(boxes.back());
    }
    if (answers.empty()) {
      return mb::kIdOk;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  FileBoxAnswer SaveFileBox(const FileBoxRequest& request) override {
    return AnswerFileBox(FileBox{"SaveAs", request});
  }
  FileBoxAnswer OpenFileBox(const FileBoxRequest& request) override {
    return AnswerFileBox(FileBox{"Open", request});
  }

  struct FileBox {
    std::string kind;  // "SaveAs" or "Open"
    FileBoxRequest request;
  };

  std::vector<Box> boxes;
  std::deque<int> answers;
  // Runs while a box is open, as the user's event loop would: time may pass inside a question.
  std::function<void(const Box&)> whileOpen;
  std::vector<FileBox> fileBoxes;
  // A file box with no scripted answer is cancelled.
  std::deque<FileBoxAnswer> fileAnswers;

 private:
  FileBoxAnswer AnswerFileBox(FileBox box) {
    fileBoxes.push_back(std::move(box));
    if (fileAnswers.empty()) {
      return {};
    }
    FileBoxAnswer answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
  }
};

}  // namespace vlx::test
