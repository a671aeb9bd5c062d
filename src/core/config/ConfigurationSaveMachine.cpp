#include "config/ConfigurationSaveMachine.h"

#include "link/EngineDispatch.h"
#include "model/AppSettings.h"

namespace vlx {

ConfigurationSaveMachine::ConfigurationSaveMachine(AppSettings& owner)
    : Machine(owner, kConfigurationSaveTimerId),
      initializeLoopVariable_(*this, &testLoopCondition_, loopVariable_),
      testLoopCondition_(*this, loopBody_, &delayFinishProgress_, loopVariable_,
                         [] { return static_cast<std::uint32_t>(kConfigurationRanges.size()); }),
      loopBody_(*this, &incrementLoopVariable_),
      incrementLoopVariable_(*this, &testLoopCondition_, loopVariable_),
      delayFinishProgress_(*this, &Final()) {}

bool ConfigurationSaveMachine::StartSave() {
  if (!IsIdle()) {
    return false;
  }
  AppSettings& app = Owner();
  const EngineDispatch::Scope dispatch = app.Dispatch().Enter();
  app.progressPosition.Publish(0);
  app.progressRange.Publish(RangeBytes(kConfigurationRanges));
  Start(initializeLoopVariable_);
  return true;
}

const std::uint8_t* ConfigurationSaveMachine::GetImageBytes(std::size_t rangeIndex,
                                                            std::uint8_t address) const {
  return image_.data() + rangeIndex * kRowBytes + address;
}

void ConfigurationSaveMachine::PublishResult() {
  Owner().machineDone.Notify(Error());
}

ConfigurationSaveMachine::ConfigSaveLoopBodyState::ConfigSaveLoopBodyState(
    ConfigurationSaveMachine& machine, MachineState* next)
    : ReadBlockState(machine, "ConfigSaveLoopBodyState", next), save_(machine) {}

void ConfigurationSaveMachine::ConfigSaveLoopBodyState::Reset() {
  const std::uint32_t row = save_.loopVariable_;
  const EepromRange& range = kConfigurationRanges[row];
  SetSpan(range.bank, range.first, range.last - range.first + 1u);
  SetDestination(save_.reading_.data() + row * kRowBytes + range.first);
  ReadBlockState::Reset();
}

ConfigurationSaveMachine::SaveDelayState::SaveDelayState(ConfigurationSaveMachine& machine,
                                                         MachineState* next)
    : DelayFinishProgressState(machine, next), save_(machine) {}

void ConfigurationSaveMachine::SaveDelayState::Reset() {
  save_.image_ = save_.reading_;
}

}  // namespace vlx
