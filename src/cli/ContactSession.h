#pragma once
// What every vlxctl verb that talks to the amplifier starts with: the model on the real port, the
// contact search (within --timeout) and the port watch.
// A contact that fails after the amplifier answered is tried again while the search may go on; a
// verb that needs the operating firmware is refused before anything is sent to a waiting loader.

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "CliOptions.h"
#include "ConsoleReporting.h"
#include "link/MachineRouter.h"
#include "link/PortWatch.h"
#include "report/ErrorCode.h"
#include "serial/QtSerialDevice.h"
#include "settings/QtFileSystem.h"
#include "time/QtTimerService.h"
#include "time/SystemClock.h"

namespace vlx {
class AppSettings;
class SettingsStore;
}  // namespace vlx

namespace vlx::cli {

class ContactSession : public QObject {
 public:
  ContactSession(const CliOptions& options, SettingsStore& store);
  ~ContactSession() override;

  // Starts the search; the event loop ends with the exit code once the verb has its answer.
  virtual void Start();

 protected:
  // The amplifier answered. Called after the engine dispatch that found it has returned, so the
  // verb may run what it likes.
  virtual void OnAmplifierFound() = 0;
  // Ends the event loop with `exitCode` (once) and closes the port.
  void Finish(int exitCode);
  // Finish, but not under the test of the link the verb has just started (after a firmware
  // load): once that test has ended, or when it is still searching after a few seconds.
  void FinishAfterRetest(int exitCode);
  // The exit code FinishAfterRetest is waiting to end with.
  const std::optional<int>& ExitAfterRetest() const { return exitAfterRetest_; }
  bool Finished() const { return finished_; }

  // Whether the verb, once it runs, waits for a lost port without limit (--timeout bounds only
  // the first search) and so says it waits.
  virtual bool WaitsForLostPort() const { return false; }
  // What the verb does that only the operating firmware answers, as the end of the refusal when
  // the amplifier waits in its loader ("its banner can be read and written"); empty for a verb
  // that has something to do with an amplifier in its loader too.
  virtual std::string OperatingFirmwareTask() const { return {}; }
  // The search has ended at --timeout without the amplifier: told after the line that says so.
  virtual void OnNoAnswerInTime() {}
  // Whether the first search is still under way (no amplifier found, nothing decided).
  bool Searching() const { return searching_; }

  const CliOptions& Options() const { return options_; }
  AppSettings& App() { return *app_; }
  // Hands the notifications no machine wants to the verb's own receiver, if it sets one.
  MachineRouter& Router() { return router_; }
  ConsoleStatusSink& Status() { return status_; }
  SystemClock& Time() { return clock_; }

 private:
  void OnPortLost();
  void BeginContact();
  void OnContactEnded();
  // A contact that failed after the amplifier answered: whether it is tried again.
  bool TriesAgain(ErrorCode error) const;
  void OnTimedOut();

  CliOptions options_;
  ConsoleStatusSink status_;
  ConsolePrompts prompts_;
  QtSerialDevice device_;
  QtTimerService timers_;
  SystemClock clock_;
  QtFileSystem files_;
  // Held by pointer so that every verb's header need not include the model.
  std::unique_ptr<AppSettings> app_;
  MachineRouter router_;
  PortWatch portWatch_;
  QTimer deadline_;
  QTimer retestLimit_;
  std::optional<int> exitAfterRetest_;
  bool searching_ = false;  // the first search, which decides whether the verb goes on
  bool finished_ = false;
};

}  // namespace vlx::cli
