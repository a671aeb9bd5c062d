#pragma once
// Runs a program of ours to its end and keeps what it said, for the end-to-end tests.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "support/process/ChildProcess.h"

namespace vlx::test {

struct Finished {
  int exitCode = -1;  // -1: it did not end within the limit
  std::string out;
  std::string err;
};

inline Finished RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                           std::chrono::seconds limit = std::chrono::seconds(120),
                           ChildStdout stdoutTo = ChildStdout::kCaptured) {
  ChildProcess process(program, arguments, stdoutTo);
  Finished run;
  run.exitCode = process.WaitForExit(limit).value_or(-1);
  run.out = process.Stdout();
  run.err = process.Stderr();
  return run;
}

// How often `needle` stands in what a program said.
inline std::size_t Occurrences(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace vlx::test
