#pragma once
// The "Edit Power On Banner" sheet: a modal dialog with the banner's one-line edit, Save, Cancel
// and Help. The banner flow of the core decides what happens; the sheet shows its text, keeps
// the edit to what the banner rules take, and closes when the flow says so.

#include <QDialog>
#include <QValidator>

#include "config/BannerFlow.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace vlx {

struct UiServices;

// Takes only what the banner rules take, upper-cased; typed or pasted text beyond them is
// refused as a whole, never cut to fit.
class BannerValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

class BannerSheet final : public QDialog, private BannerFlowHost {
  Q_OBJECT

 public:
  BannerSheet(UiServices& services, QWidget* parent);
  ~BannerSheet() override;

  QLineEdit& Edit() const { return *edit_; }
  // What the sheet waits for, under the edit; hidden while nothing runs.
  QLabel& BusyLine() const { return *busyLine_; }
  QPushButton& SaveButton() const;
  QPushButton& CancelButton() const;
  const BannerFlow& Flow() const { return flow_; }

 public slots:
  // Save: closes at once when nothing changed, else writes and waits for the machine.
  void accept() override;
  // Cancel, Escape and the close box: a running machine is cancelled first.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowBanner(const std::string& shown) override;
  void SetEditable(bool editable) override;
  void SetBusy(bool busy) override;
  void CloseSheet() override;
  void RunEnded(BannerRun run, ErrorCode code) override;

  UiServices& services_;
  QLineEdit* edit_;
  QLabel* busyLine_;
  QProgressBar* busyBar_;
  QDialogButtonBox* buttons_;
  BannerFlow flow_;
  bool shown_ = false;
  // A write succeeded: the sheet closes as accepted.
  bool saved_ = false;
};

// Runs the sheet modally over `parent` until it closes; returns whether a new banner was saved
// (an unchanged one counts as saved too).
bool RunBannerSheet(QWidget* parent, UiServices& services);

}  // namespace vlx
