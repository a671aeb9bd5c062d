#pragma once
// The three simple states that run a body state once per row of a table (the save machine's
// configuration ranges, the restore machine's runs, the fault table's banks), named as the trace
// lines show them. The owner keeps the loop variable and says how many rows there are.

#include <cstdint>
#include <functional>

#include "link/MachineState.h"

namespace vlx {

// Starts the loop at its first row.
class InitializeLoopVariableState final : public SimpleState {
 public:
  InitializeLoopVariableState(Machine& machine, MachineState* next, std::uint32_t& loopVariable)
      : SimpleState(machine, "InitializeLoopVariableState", next), loopVariable_(loopVariable) {}
  void Execute() override {
    loopVariable_ = 0;
    GoToNext();
  }

 private:
  std::uint32_t& loopVariable_;
};

// Moves the loop on to the next row.
class IncrementLoopVariableState final : public SimpleState {
 public:
  IncrementLoopVariableState(Machine& machine, MachineState* next, std::uint32_t& loopVariable)
      : SimpleState(machine, "IncrementLoopVariableState", next), loopVariable_(loopVariable) {}
  void Execute() override {
    ++loopVariable_;
    GoToNext();
  }

 private:
  std::uint32_t& loopVariable_;
};

// Enters the body while the loop variable is below the row count, else the next state.
class TestLoopConditionState final : public SimpleState {
 public:
  TestLoopConditionState(Machine& machine, MachineState& body, MachineState* next,
                         const std::uint32_t& loopVariable, std::function<std::uint32_t()> rows)
      : SimpleState(machine, "TestLoopConditionState", next),
        body_(body),
        loopVariable_(loopVariable),
        rows_(std::move(rows)) {}
  void Execute() override {
    if (loopVariable_ < rows_()) {
      Enter(body_);
    } else {
      GoToNext();
    }
  }

 private:
  MachineState& body_;
  const std::uint32_t& loopVariable_;
  std::function<std::uint32_t()> rows_;
};

// Waits before the run goes on, so that the progress bar is seen full; replies meanwhile are
// dropped.
class DelayFinishProgressState : public TimedState {
 public:
  static constexpr std::uint32_t kDelayMs = 700;
  DelayFinishProgressState(Machine& machine, MachineState* next)
      : TimedState(machine, "DelayFinishProgressState", next, kDelayMs) {}
};

}  // namespace vlx
