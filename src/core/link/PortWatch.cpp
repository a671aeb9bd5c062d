#include "link/PortWatch.h"

#include "link/EngineDispatch.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "report/ErrorText.h"
#include "report/LinkTextIds.h"
#include "report/StatusSink.h"
#include "report/TextFormat.h"

namespace vlx {

PortWatch::PortWatch(AppSettings& app, TimerService& timers, std::function<bool()> mayRetest)
    : app_(app), timers_(timers), mayRetest_(std::move(mayRetest)) {
  app_.Serial().SetLossHandler(this);
  app_.portOpen.Subscribe(*this);
  app_.port.Subscribe(*this);
}

PortWatch::~PortWatch() {
  StopWatching();
  app_.port.Unsubscribe(*this);
  app_.portOpen.Unsubscribe(*this);
  app_.Serial().SetLossHandler(nullptr);
}

// The title and the status bar must not go on showing an amplifier that is no longer there. The
// port is closed before the device is forgotten, so the title the forgetting redraws shows it
// closed; the line naming the loss comes last and so stays in the status bar.
void PortWatch::OnPortLost() {
  const EngineDispatch::Scope dispatch = app_.Dispatch().Enter();
  app_.AbortRunningMachines(err::kDeviceRemoved);
  app_.ClosePort();
  app_.ForgetDevice();
  app_.Status().StatusText(FormatText(
      ids::kSerialPortLost, {app_.Serial().Name(), FormatErrorText(err::kDeviceRemoved)}));
  watching_ = true;
  timers_.SetTimer(*this, kTimerId, kLookIntervalMs);
  if (lossObserver_) {
    lossObserver_();
  }
}

void PortWatch::OnTimer(TimerId id) {
  if (id != kTimerId || !watching_) {
    return;
  }
  const Machine* transient = app_.TransientMachine();
  const bool busy = (transient != nullptr && !transient->IsIdle()) ||
                    !app_.EstablishContact().IsIdle() || (mayRetest_ && !mayRetest_());
  if (busy || !app_.Serial().DeviceExists(app_.port.Get())) {
    return;
  }
  StopWatching();
  app_.EstablishContact().BeginTestCommunications();
}

// A port opened again, or another port chosen, ends the watch: the user has moved on.
void PortWatch::OnMessage(MessageId id, MessageParam) {
  if ((id == app_.portOpen.Id() && app_.portOpen.Get() != 0) || id == app_.port.Id()) {
    StopWatching();
  }
}

void PortWatch::StopWatching() {
  if (watching_) {
    watching_ = false;
    timers_.KillTimer(*this, kTimerId);
  }
}

}  // namespace vlx
