#pragma once
// Reads the four EEPROM banks (kReadableRanges, 256 bytes each in blocks of 64) into a snapshot
// with the fault ring decoded. Only a complete run replaces the snapshot: a failed or cancelled
// read keeps the one before.

#include <array>
#include <cstdint>

#include "config/ConfigurationRanges.h"
#include "config/EepromBlockStates.h"
#include "config/LoopStates.h"
#include "faults/FaultRing.h"
#include "link/Machine.h"

namespace vlx {

constexpr TimerId kFaultTableTimerId = 21;

class FaultTableMachine final : public Machine {
 public:
  static constexpr std::size_t kBankBytes = 256;

  explicit FaultTableMachine(AppSettings& owner);

  // Only when idle: starts a read of all four banks. Returns whether it started.
  bool StartRead();
  // The banks as the last complete run read them (all 0xFF before the first).
  const FaultSnapshot& Snapshot() const { return snapshot_; }
  // Whether a run has completed, so that the snapshot holds the amplifier's bytes.
  bool HasSnapshot() const { return hasSnapshot_; }

 private:
  class FaultTableLoopBodyState final : public ReadBlockState {
   public:
    FaultTableLoopBodyState(FaultTableMachine& machine, MachineState* next);
    // Takes the bank of the loop variable.
    void Reset() override;

   private:
    FaultTableMachine& table_;
  };

  void PublishResult() override;

  std::uint32_t loopVariable_ = 0;
  // Receives the blocks as they come; the snapshot takes it whole at the end of a good run.
  FaultSnapshot reading_{};
  FaultSnapshot snapshot_{};
  bool hasSnapshot_ = false;

  // Built in this order; a state may name one built after it as its next state.
  InitializeLoopVariableState initializeLoopVariable_;
  TestLoopConditionState testLoopCondition_;
  FaultTableLoopBodyState loopBody_;
  IncrementLoopVariableState incrementLoopVariable_;
};

}  // namespace vlx
