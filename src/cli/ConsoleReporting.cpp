#include "ConsoleReporting.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

#include "TerminalWords.h"
#include "report/ErrorText.h"

namespace vlx::cli {
namespace {
// Boxes are shown within the engine call that reported them, so only the last few status lines
// can still be waiting for theirs.
constexpr std::size_t kUnclaimedLines = 16;

// Texts of the program carry Windows line ends; a terminal wants plain ones.
std::string WithPlainLineEnds(const std::string& text) {
  std::string plain;
  plain.reserve(text.size());
  for (char c : text) {
    if (c != '\r') {
      plain.push_back(c);
    }
  }
  return plain;
}

// The progress line standing at the bottom of the terminal, empty when there is none. stderr is
// one terminal for the whole process, so this is its one state.
std::string progressLine;

// Back to the start of the line, and the line cleared.
constexpr const char* kClearLine = "\r\033[K";
}  // namespace

void PrintError(const std::string& text) {
  if (!progressLine.empty()) {
    std::fputs(kClearLine, stderr);
  }
  std::fprintf(stderr, "%s\n", WithPlainLineEnds(text).c_str());
  std::fputs(progressLine.c_str(), stderr);
  std::fflush(stderr);
}

void ShowProgressLine(const std::string& text) {
  std::fputs(kClearLine, stderr);
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
  progressLine = text;
}

void ConsoleStatusSink::StatusText(const std::string& line) {
  if (quiet_) {
    held_ = line;
    return;
  }
  PrintError(line);
  unclaimed_.push_back(line);
  if (unclaimed_.size() > kUnclaimedLines) {
    unclaimed_.pop_front();
  }
}

bool ConsoleStatusSink::ClaimStatusLine(const std::string& text) {
  const auto line = std::find(unclaimed_.begin(), unclaimed_.end(), text);
  if (line == unclaimed_.end()) {
    return false;
  }
  unclaimed_.erase(line);
  return true;
}

void ConsoleStatusSink::TellHeldLine() {
  if (!held_.empty()) {
    PrintError(held_);
    held_.clear();
  }
}

void ConsoleStatusSink::VerboseText(const std::string& line) {
  if (verbose_) {
    PrintError(line);
  }
}

void ConsoleStatusSink::TraceText(const std::string& line) {
  PrintError(line);
}

// A failure report puts its text on the status line and into a box that is shown after the
// engine call returns, maybe after other lines (the line's error flags): on one stream that would
// be the same text twice. The window also shows a box again when its cause comes back (the port
// closed after another device answered); a terminal needs each text once.
int ConsolePrompts::MessageBox(const std::string& text, const std::string& caption,
                               std::uint32_t style) {
  if (!status_.ClaimStatusLine(text) && shown_.insert(text).second) {
    PrintError(caption.empty() ? text : caption + ": " + text);
  }
  return (style & mb::kYesNo) == mb::kYesNo ? mb::kIdNo : mb::kIdOk;
}

bool ConsolePrompts::TellFileFailure(const char* step, ErrorCode code, const std::string& path) {
  PrintError(FileFailureWords(step, code, path));
  return true;
}

std::string WaitingForPortText(const std::string& port) {
  return "vlxctl: waiting for port \"" + port + "\" to come back (Ctrl+C to stop)";
}

}  // namespace vlx::cli
