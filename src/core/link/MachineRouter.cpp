#include "link/MachineRouter.h"

#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"

namespace vlx {

MachineRouter::MachineRouter(AppSettings& app) : app_(app) {
  app_.SetMainWindow(this);
  app_.Serial().SetEvents(this);
}

MachineRouter::~MachineRouter() {
  app_.Serial().SetEvents(nullptr);
  app_.SetMainWindow(nullptr);
}

Machine* MachineRouter::RunningMachine() const {
  Machine& establishContact = app_.EstablishContact();
  if (!establishContact.IsIdle()) {
    return &establishContact;
  }
  Machine* transient = app_.TransientMachine();
  if (transient != nullptr && !transient->IsIdle()) {
    return transient;
  }
  return nullptr;
}

void MachineRouter::OnTimer(TimerId id) {
  const EngineDispatch::Scope dispatch = app_.Dispatch().Enter();
  // A machine's timer is killed when its run ends, so one still armed by an idle machine is a
  // leftover that nobody listens for.
  if (const Machine* armedBy = app_.Timers().Owner(id); armedBy != nullptr && armedBy->IsIdle()) {
    app_.Timers().KillStale(id);
    return;
  }
  if (Machine* machine = RunningMachine()) {
    machine->OnTimer(id);
    AfterRouting(*machine);
  } else if (page_ != nullptr) {
    page_->OnTimer(id);
  }
}

void MachineRouter::OnSerialEvent() {
  const EngineDispatch::Scope dispatch = app_.Dispatch().Enter();
  if (Machine* machine = RunningMachine()) {
    machine->OnDataReceived();
    AfterRouting(*machine);
  } else if (page_ != nullptr) {
    page_->OnSerialEvent();
  }
}

// Still inside the dispatch: a machine released by its run's end is not yet destroyed here.
void MachineRouter::AfterRouting(Machine& machine) {
  if (runEndHandler_ && machine.IsIdle()) {
    runEndHandler_(machine);
  }
}

}  // namespace vlx
