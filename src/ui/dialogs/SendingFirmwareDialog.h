#pragma once
// The Sending Firmware dialog: the modal window a firmware load runs in, which asks before the user
// abandons a running load. exec() tells the Firmware page whether the load succeeded.

#include <QDialog>
#include <cstdint>
#include <string>

#include "firmware/FirmwareLoadMachine.h"
#include "link/MachineHandle.h"
#include "model/Listener.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vlx {

class ActivityLog;
struct UiServices;

class SendingFirmwareDialog final : public QDialog, public Listener, private FirmwareTextSink {
  Q_OBJECT

 public:
  static constexpr int kLoadSucceeded = 1;
  static constexpr int kLoadFailed = 2;

  // The log opens with `identityLine`, `osLine` and the amplifier's state.
  SendingFirmwareDialog(UiServices& services, const std::string& identityLine,
                        const std::string& osLine, QWidget* owner);
  ~SendingFirmwareDialog() override;

  void OnMessage(MessageId id, MessageParam wParam) override;

  // The running load, or nullptr.
  FirmwareLoadMachine* Machine() const { return machine_.get(); }
  ActivityLog& Log() const { return *log_; }
  QProgressBar& Progress() const { return *progress_; }
  // One line under the bar: what the load is working through now, empty while all is well.
  QLabel& Activity() const { return *activity_; }
  QPushButton& CloseButton() const { return *close_; }
  // Whether the load stopped where the amplifier needs a power cycle before the next one.
  bool PowerCycleAdvised() const { return powerCycleAdvised_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Esc, the close box and the button: asks first while the load runs.
  void reject() override;

 private:
  void StartLoad();
  // The load's run has ended, after the dispatch that ended it: a good load closes the dialog.
  void OnLoadEnded(ErrorCode code, FirmwareLoadMachine& machine);
  bool LoadRunning() const;
  // Ends the dialog with what the run's result says.
  void Finish();
  void StopListening();
  // Lines of the log, batched: a traced load brings thousands, and one edit per line would
  // keep the window busy for longer than the load.
  void AppendDialogLine(const std::string& line);
  void LogAndStatus(const std::string& line);
  void LogAndVerbose(const std::string& line);
  void FirmwareText(const std::string& line) override;
  void FirmwareActivity(const LoadActivity& activity) override;
  void SetBusy(bool busy);

  UiServices& services_;
  ActivityLog* log_;
  QProgressBar* progress_;
  QLabel* activity_;
  QPushButton* close_;
  MachineHandle<FirmwareLoadMachine> machine_;
  // The run's result once it has ended; a dialog closed before that reports a failed load.
  ErrorCode result_ = err::kCancelled;
  bool started_ = false;
  bool listening_ = false;
  bool busy_ = false;
  bool powerCycleAdvised_ = false;
};

}  // namespace vlx
