#pragma once
// Reads the amplifier's configuration (the rows of kConfigurationRanges) into the image a file is
// written from. The image changes only when a whole run succeeded; after the last block the run
// waits 700 ms so the full bar is seen.

#include <array>
#include <cstdint>

#include "config/ConfigurationFile.h"
#include "config/ConfigurationRanges.h"
#include "config/EepromBlockStates.h"
#include "config/LoopStates.h"
#include "link/Machine.h"

namespace vlx {

constexpr TimerId kConfigurationSaveTimerId = 10;

class ConfigurationSaveMachine final : public Machine, public ConfigurationImageSource {
 public:
  static constexpr std::size_t kRowBytes = 256;

  explicit ConfigurationSaveMachine(AppSettings& owner);

  // Only when idle: progress 0 of 224, then the run starts. Returns whether it started.
  bool StartSave();
  // The bytes of row `rangeIndex` of kConfigurationRanges from `address` on, as the last
  // successful run read them.
  const std::uint8_t* GetImageBytes(std::size_t rangeIndex, std::uint8_t address) const override;

 private:
  // Reads one row of kConfigurationRanges into the run's buffer.
  class ConfigSaveLoopBodyState final : public ReadBlockState {
   public:
    ConfigSaveLoopBodyState(ConfigurationSaveMachine& machine, MachineState* next);
    // Takes the row of the loop variable.
    void Reset() override;

   private:
    ConfigurationSaveMachine& save_;
  };

  // The last row was read: the image takes the run's bytes.
  class SaveDelayState final : public DelayFinishProgressState {
   public:
    SaveDelayState(ConfigurationSaveMachine& machine, MachineState* next);
    void Reset() override;

   private:
    ConfigurationSaveMachine& save_;
  };

  using Image = std::array<std::uint8_t, kConfigurationRanges.size() * kRowBytes>;

  void PublishResult() override;

  std::uint32_t loopVariable_ = 0;
  Image image_{};
  Image reading_{};

  // Built in this order; a state may name one built after it as its next state.
  InitializeLoopVariableState initializeLoopVariable_;
  TestLoopConditionState testLoopCondition_;
  ConfigSaveLoopBodyState loopBody_;
  IncrementLoopVariableState incrementLoopVariable_;
  SaveDelayState delayFinishProgress_;
};

}  // namespace vlx
