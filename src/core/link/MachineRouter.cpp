#include "link/MachineRouter.h"

#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"

namespace vlx {

MachineRouter::MachineRouter(AppSettings& app) : app_(app) {
  app_.SetMainWindow(*this);
  app_.Serial().SetEvents(this);
}

MachineRouter::~MachineRouter() {
  app_.Serial().SetEvents(nullptr);
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
  if (Machine* machine = RunningMachine()) {
    machine->OnTimer(id);
    AfterRouting(*machine);
  } else if (page_ != nullptr) {
    page_->OnTimer(id);
  }
}

void MachineRouter::OnSerialEvent() {
  if (Machine* machine = RunningMachine()) {
    machine->OnDataReceived();
    AfterRouting(*machine);
  } else if (page_ != nullptr) {
    page_->OnSerialEvent();
  }
}

void MachineRouter::AfterRouting(Machine& machine) {
  if (runEndHandler_ && machine.IsIdle()) {
    runEndHandler_(machine);
  }
}

void MachineRouter::OnPortLost() {
  if (portLostHandler_ != nullptr) {
    portLostHandler_->OnPortLost();
  }
}

}  // namespace vlx
