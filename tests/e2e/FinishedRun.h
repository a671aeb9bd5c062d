#pragma once
// Runs a program of ours to its end and keeps what it said, for the end-to-end tests.

#include <chrono>
#include <string>
#include <vector>

#include "process/ChildProcess.h"

namespace vlx::test {

struct Finished {
  int exitCode = -1;  // -1: it did not end within the limit
  std::string out;
  std::string err;
};

inline Finished RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                           std::chrono::seconds limit = std::chrono::seconds(120)) {
  ChildProcess process(program, arguments);
  Finished run;
  run.exitCode = process.WaitForExit(limit).value_or(-1);
  run.out = process.Stdout();
  run.err = process.Stderr();
  return run;
}

}  // namespace vlx::test
