#pragma once
// The "Copy Files from Velqorin File Server" dialog: the window of one FtpCopyRun.
// Cancel becomes Close (the button Enter presses) when the run stops; a clean run closes the dialog
// by itself. exec() gives kCopied or kNotCopied.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

#include "firmware/FtpClient.h"
#include "firmware/FtpCopyRun.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vlx {

class ActivityLog;
struct UiServices;

class FtpCopyDialog final : public QDialog, private FtpCopySink {
  Q_OBJECT

 public:
  static constexpr int kCopied = 1;
  static constexpr int kNotCopied = 2;

  // The run copies into `options.folder`, through `client` and the services' local files.
  FtpCopyDialog(UiServices& services, std::unique_ptr<FtpClient> client, FtpCopyOptions options,
                QWidget* owner);
  ~FtpCopyDialog() override;

  // Asks to create a missing folder, then runs the dialog; kNotCopied at once when the folder is
  // not there.
  int Exec();

  FtpCopyRun& Run() { return run_; }
  ActivityLog& Log() const { return *log_; }
  QPushButton& Button() const { return *button_; }
  QProgressBar& Progress() const { return *progress_; }
  QLabel& ProgressText() const { return *progressText_; }
  // Puts lines still waiting for their batch into the log now, and the fetch's progress.
  void Refresh();

 protected:
  void showEvent(QShowEvent* event) override;
  // The close box: ignored while the run is in progress.
  void closeEvent(QCloseEvent* event) override;
  // Esc: as the button.
  void reject() override;

 private:
  void FtpLine(FtpLineKind kind, const std::string& line) override;
  void FtpCopyEnded(FtpCopyEnd end) override;
  void OnButton();
  void ShowProgress();
  void SetBusy(bool busy);

  UiServices& services_;
  std::unique_ptr<FtpClient> client_;
  FtpCopyRun run_;
  ActivityLog* log_;
  QProgressBar* progress_;
  QLabel* progressText_;
  QPushButton* button_;
  QTimer progressTimer_;
  bool started_ = false;
};

}  // namespace vlx
