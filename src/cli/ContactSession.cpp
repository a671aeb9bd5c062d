#include "ContactSession.h"

#include <QCoreApplication>

#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "model/DeviceFacts.h"
#include "report/ErrorCode.h"
#include "report/ErrorText.h"

namespace vlx::cli {

ContactSession::ContactSession(const CliOptions& options, SettingsStore& store)
    : options_(options),
      status_(options.verbose, options.quiet),
      prompts_(status_),
      app_(std::make_unique<AppSettings>(
          Services{store, files_, device_, timers_, clock_, status_, prompts_})),
      router_(*app_),
      portWatch_(*app_, timers_) {
  portWatch_.SetLossObserver([this] { OnPortLost(); });
  router_.SetRunEndHandler([this](Machine& machine) {
    if (&machine != &app_->EstablishContact()) {
      return;
    }
    if (exitAfterRetest_) {
      Finish(*exitAfterRetest_);
    } else {
      OnContactEnded();
    }
  });
  if (options_.port) {
    app_->port.Set(*options_.port);
  } else {
    app_->port.Load(store);
  }
  app_->trace.Set(options_.trace ? 1 : 0);
  deadline_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, [this] { OnTimedOut(); });
  retestLimit_.setSingleShot(true);
  connect(&retestLimit_, &QTimer::timeout, this, [this] {
    PrintError("vlxctl: the VLX750 has not answered again yet; 'vlxctl info' tests it later");
    Finish(*exitAfterRetest_);
  });
}

ContactSession::~ContactSession() = default;

void ContactSession::Start() {
  if (options_.timeoutSeconds) {
    deadline_.start(static_cast<int>(*options_.timeoutSeconds) * 1000);
  }
  BeginContact();
}

void ContactSession::BeginContact() {
  searching_ = true;
  app_->EstablishContact().BeginTestCommunications();
  if (app_->EstablishContact().IsIdle()) {
    OnContactEnded();  // it ended at once: the port did not open
  }
}

// Said once, and only where vlxctl does wait without limit: in a search without a deadline, or
// in a verb that waits for a lost port. Any other verb ends on the loss, so a wait announced
// there would not happen.
void ContactSession::OnPortLost() {
  if (searching_ ? !options_.timeoutSeconds : WaitsForLostPort()) {
    PrintError(WaitingForPortText(app_->port.Get()));
  }
}

void ContactSession::OnContactEnded() {
  // Later tests of the link belong to the verb; and a port that went away is tested again by
  // the watch once it is back.
  if (!searching_ || portWatch_.IsWatching()) {
    return;
  }
  const ErrorCode error = app_->EstablishContact().Error();
  // A call met the vanished device before the device's own announcement, which is still in the
  // event queue and starts the watch; ending here would make a pulled adapter a failure.
  if (error == err::kDeviceRemoved && app_->portOpen.Get() != 0) {
    return;
  }
  if (TriesAgain(error)) {
    PrintError("vlxctl: " + FormatErrorText(error) + "; trying again");
    // Not from inside the dispatch that ended the run; the deadline may end vlxctl meanwhile.
    QTimer::singleShot(0, this, [this] {
      if (!finished_) {
        BeginContact();
      }
    });
    return;
  }
  searching_ = false;
  const std::string task = OperatingFirmwareTask();
  if (error != err::kSuccess) {
    // A port that would not open has had its status line already (in use, or the system's
    // reason); a missing name and failures after the open have not.
    if (error == err::kSerialPortNameMissing) {
      PrintError("vlxctl: " + FormatErrorText(error) +
                 " (give one with --port, or choose it in VLX Utility)");
    } else if (app_->portOpen.Get() != 0) {
      PrintError("vlxctl: " + FormatErrorText(error));
    } else {
      status_.TellHeldLine();
    }
    Finish(exit_code::kFailure);
  } else if (!app_->IsAmplifierPresent()) {
    Finish(exit_code::kFailure);  // the "Unexpected Device" box has said so
  } else if (!task.empty() && app_->deviceState.Get() == device_state::kWaitingInLoader) {
    // The loader takes none of the verb's commands: asking would only wait out their time-outs.
    PrintError("vlxctl: the VLX750 is waiting for its power button or a firmware load; " + task +
               " only while it operates");
    Finish(exit_code::kFailure);
  } else {
    deadline_.stop();
    // Not from inside the dispatch that ended the search: the verb may start machines and wait.
    QTimer::singleShot(0, this, [this] { OnAmplifierFound(); });
  }
}

void ContactSession::FinishAfterRetest(int exitCode) {
  if (app_->EstablishContact().IsIdle()) {
    Finish(exitCode);
    return;
  }
  constexpr int kRetestLimitMs = 10000;
  exitAfterRetest_ = exitCode;
  retestLimit_.start(kRetestLimitMs);
}

// Only failures after the amplifier answered the search: an amplifier that lost a reply answers
// the next one. Without --timeout the search goes on until the amplifier answers, with it until
// the time is up.
bool ContactSession::TriesAgain(ErrorCode error) const {
  return (error == err::kNoResponseToRevisionQuery ||
          error == err::kNoResponseToSerialNumberQuery) &&
         (!options_.timeoutSeconds || deadline_.isActive());
}

void ContactSession::OnTimedOut() {
  if (finished_) {
    return;
  }
  const std::string seconds = std::to_string(*options_.timeoutSeconds);
  const bool portGone = portWatch_.IsWatching();
  PrintError(portGone ? "vlxctl: port \"" + app_->port.Get() + "\" did not come back within " +
                            seconds + " s"
                      : "vlxctl: no VLX750 answered on port \"" + app_->port.Get() + "\" within " +
                            seconds + " s");
  if (!portGone) {
    OnNoAnswerInTime();
  }
  Finish(exit_code::kFailure);
}

void ContactSession::Finish(int exitCode) {
  if (finished_) {
    return;
  }
  finished_ = true;
  deadline_.stop();
  retestLimit_.stop();
  app_->EstablishContact().BeginClosePort();
  QCoreApplication::exit(exitCode);
}

}  // namespace vlx::cli
