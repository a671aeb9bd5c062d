#pragma once
// The Save and Restore Configuration dialogs: a line saying what runs, a progress bar and one
// button, Cancel until the run has ended, "Close" after a failure. The flow of src/core/config
// decides everything; the dialog shows it. Escape and the close box are the Cancel button.

#include <QDialog>
#include <memory>

#include "config/ConfigurationFlows.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vlx {

class FileStore;
struct UiServices;

class ConfigurationTransferDialog : public QDialog, protected ConfigurationFlowHost {
  Q_OBJECT

 public:
  QProgressBar& Progress() const { return *progress_; }
  QPushButton& CancelButton() const { return *cancel_; }
  // The line that says what runs.
  QLabel& TextLine() const { return *text_; }

 protected:
  ConfigurationTransferDialog(UiServices& services, const QString& title, const QString& text,
                              QWidget* owner);

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  // Escape, the close box and the button.
  void reject() override;

  // The dialog is shown for the first time: the flow asks for the file and starts.
  virtual void OpenFlow() = 0;
  virtual void CancelFlow() = 0;
  virtual void ReleaseFlow() = 0;

  void ShowProgress(std::uint32_t position, std::uint32_t range) override;
  void ShowBusy(bool busy) override;
  void OfferClose() override;
  void AllowCancel(bool allowed) override;
  void Close(bool done) override;
  void ShowRestoring(const std::string& path, const ConfigurationFileFacts& facts) override;

  UiServices& services_;

 private:
  QLabel* text_;
  QProgressBar* progress_;
  QPushButton* cancel_;
  bool opened_ = false;
  // The flow is being opened from showEvent, before exec() runs its loop.
  bool opening_ = false;
  bool closing_ = false;
};

class SaveConfigurationDialog final : public ConfigurationTransferDialog {
  Q_OBJECT

 public:
  // `programRevision` is the program's revision line the file records; `files` takes the file.
  SaveConfigurationDialog(UiServices& services, FileStore& files, std::string programRevision,
                          QWidget* owner);
  ~SaveConfigurationDialog() override;

  ConfigurationSaveFlow& Flow() { return flow_; }

 private:
  void OpenFlow() override { flow_.Open(); }
  void CancelFlow() override { flow_.Cancel(); }
  void ReleaseFlow() override { flow_.Release(); }

  ConfigurationSaveFlow flow_;
};

class RestoreConfigurationDialog final : public ConfigurationTransferDialog {
  Q_OBJECT

 public:
  // `files` gives the file to restore.
  RestoreConfigurationDialog(UiServices& services, FileStore& files, QWidget* owner);
  ~RestoreConfigurationDialog() override;

  ConfigurationRestoreFlow& Flow() { return flow_; }

 private:
  void OpenFlow() override { flow_.Open(); }
  void CancelFlow() override { flow_.RequestClose(); }
  void ReleaseFlow() override { flow_.Release(); }

  ConfigurationRestoreFlow flow_;
};

}  // namespace vlx
