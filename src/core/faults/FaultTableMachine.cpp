#include "faults/FaultTableMachine.h"

#include "link/EngineDispatch.h"
#include "model/AppSettings.h"

namespace vlx {

static_assert(kReadableRanges.size() * FaultTableMachine::kBankBytes == kFaultSnapshotSize);

FaultTableMachine::FaultTableMachine(AppSettings& owner)
    : Machine(owner, kFaultTableTimerId),
      initializeLoopVariable_(*this, &testLoopCondition_, loopVariable_),
      testLoopCondition_(*this, loopBody_, &Final(), loopVariable_,
                         [] { return static_cast<std::uint32_t>(kReadableRanges.size()); }),
      loopBody_(*this, &incrementLoopVariable_),
      incrementLoopVariable_(*this, &testLoopCondition_, loopVariable_) {
  snapshot_.fill(0xFF);
}

bool FaultTableMachine::StartRead() {
  if (!IsIdle()) {
    return false;
  }
  const EngineDispatch::Scope dispatch = Owner().Dispatch().Enter();
  Start(initializeLoopVariable_);
  return true;
}

void FaultTableMachine::PublishResult() {
  // Only a run that read every bank reaches the final state without an error.
  if (Error() == err::kSuccess) {
    snapshot_ = reading_;
    hasSnapshot_ = true;
  }
  Owner().machineDone.Notify(Error());
}

FaultTableMachine::FaultTableLoopBodyState::FaultTableLoopBodyState(FaultTableMachine& machine,
                                                                    MachineState* next)
    : ReadBlockState(machine, "FaultTableLoopBodyState.h", next), table_(machine) {}

void FaultTableMachine::FaultTableLoopBodyState::Reset() {
  const std::uint32_t row = table_.loopVariable_;
  const EepromRange& range = kReadableRanges[row];
  SetSpan(range.bank, range.first, range.last - range.first + 1u);
  SetDestination(table_.reading_.data() + row * kBankBytes);
  ReadBlockState::Reset();
}

}  // namespace vlx
