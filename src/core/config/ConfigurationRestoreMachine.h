#pragma once
// Writes a configuration file's bytes back in "^EW" blocks, then has the amplifier reload them
// ("^rpm;") and finds its line speed again.
// Once the last block is acknowledged the run cannot be cancelled: the amplifier must never hold a
// configuration it was not told to reload, nor the port stay at a rate the amplifier is not at.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigurationFile.h"
#include "config/EepromBlockStates.h"
#include "config/LoopStates.h"
#include "link/ContactStates.h"
#include "link/Machine.h"

namespace vlx {

constexpr TimerId kConfigurationRestoreTimerId = 11;

// Consecutive bytes of one bank taken from a file, written as one span.
struct RestoreRun {
  std::uint32_t bank = 0;
  std::uint8_t start = 0;
  std::uint8_t last = 0;                 // inclusive
  std::array<std::uint8_t, 256> data{};  // by address; 0xFF where the file gave nothing
};

// How far a run got: what the amplifier holds of the configuration when it stopped.
struct RestoreOutcome {
  std::uint32_t bytesWritten = 0;  // acknowledged by the amplifier
  std::uint32_t totalBytes = 0;
  bool AllWritten() const { return bytesWritten == totalBytes; }
};

class ConfigurationRestoreMachine final : public Machine, public ConfigurationByteSink {
 public:
  static constexpr std::uint32_t kReloadTimeoutMs = 100;

  explicit ConfigurationRestoreMachine(AppSettings& owner);

  // Stops the run at its next send while blocks are still being written; false, and no effect,
  // when it is idle or all blocks are acknowledged.
  bool Cancel() override;
  // Whether Cancel would stop the run: dialogs enable their Cancel button, Escape and the close
  // box, and vlxctl its Ctrl-C, only while this holds.
  bool CanBeCancelled() const;

  // Keeps a byte of the file when the restore may write it (kRestorableRanges); a break in the
  // address sequence starts a new run, and a repeated address is written again, after the first.
  void AddByte(std::uint8_t bank, std::uint8_t address, std::uint8_t value) override;
  // Whether the file gave any byte to write. A file that gave none is refused before any
  // command: ids::kNoConfigurationBytes with code 0xE2000030.
  bool HasBytes() const { return !runs_.empty(); }
  // Only when idle and with bytes to write: progress 0 of the byte count, then the run starts.
  // Returns whether it started.
  bool StartRestore();

  const std::vector<RestoreRun>& Runs() const { return runs_; }
  RestoreOutcome Outcome() const { return {bytesWritten_, TotalBytes()}; }

 private:
  // Writes one run, counting the bytes the amplifier acknowledged.
  class ConfigRestoreLoopBodyState final : public WriteBlockState {
   public:
    ConfigRestoreLoopBodyState(ConfigurationRestoreMachine& machine, MachineState* next);
    // Takes the run of the loop variable.
    void Reset() override;

   private:
    void AdvanceBlock() override;
    ConfigurationRestoreMachine& restore_;
  };

  // The last block was acknowledged: from here on the run goes to its end.
  class RestoreDelayState final : public DelayFinishProgressState {
   public:
    RestoreDelayState(ConfigurationRestoreMachine& machine, MachineState* next);
    void Reset() override;

   private:
    ConfigurationRestoreMachine& restore_;
  };

  // Notes the rate the port runs at before the amplifier reloads.
  class SaveRS232SpeedState final : public SimpleState {
   public:
    SaveRS232SpeedState(ConfigurationRestoreMachine& machine, MachineState* next);
    void Execute() override;

   private:
    ConfigurationRestoreMachine& restore_;
  };

  // "^rpm;": the amplifier reloads its settings; whatever it answers meanwhile is ignored.
  class ReloadFromPromState final : public CommandState {
   public:
    ReloadFromPromState(Machine& machine, MachineState* next);
  };

  // Puts the amplifier and the port back to the noted rate.
  class RestoreRS232SpeedState final : public SimpleState {
   public:
    RestoreRS232SpeedState(ConfigurationRestoreMachine& machine, MachineState* next);
    void Execute() override;

   private:
    ConfigurationRestoreMachine& restore_;
  };

  void PublishResult() override;
  std::uint32_t TotalBytes() const;

  std::uint32_t savedBitRate_ = 0;
  std::uint32_t loopVariable_ = 0;
  std::vector<RestoreRun> runs_;
  std::optional<std::size_t> building_;  // the run AddByte extends
  std::uint32_t bytesWritten_ = 0;
  bool allWritten_ = false;

  // Built in this order; a state may name one built after it as its next state.
  InitializeLoopVariableState initializeLoopVariable_;
  TestLoopConditionState testLoopCondition_;
  ConfigRestoreLoopBodyState loopBody_;
  IncrementLoopVariableState incrementLoopVariable_;
  RestoreDelayState delayFinishProgress_;
  SaveRS232SpeedState saveSpeed_;
  ReloadFromPromState reloadFromProm_;
  DetermineSpeedState determineSpeed_;
  RestoreRS232SpeedState restoreSpeed_;
};

// What the user is told besides the error about a restore that stopped with `code`: no answer
// after the reload, stopped before the first byte, or stopped partway. Nothing for success, nor for
// a port failure after the last block, which the port has reported itself.
std::optional<std::string> RestoreStoppedText(ErrorCode code, const RestoreOutcome& outcome);

}  // namespace vlx
