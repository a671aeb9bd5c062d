#pragma once
// The "Settings" dialog of the File menu: the FTP server that "Copy New Files from Velqorin"
// connects to. The text is judged by the same rule as vlxctl's --ftp-server; text that names no
// server is refused with a message in the dialog and never stored. OK stores the setting at once,
// so vlxctl sees it while the window is open.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vlx {

class AppSettings;

class SettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(AppSettings& app, QWidget* parent);

  QLineEdit& FtpServerEdit() const { return *ftpServer_; }
  QLabel& Problem() const { return *problem_; }
  QPushButton& RestoreDefaultButton() const { return *restoreDefault_; }

 public slots:
  // OK: stores a server that parses (or the empty default) and closes; otherwise says why and
  // stays open.
  void accept() override;

 private:
  AppSettings& app_;
  QLineEdit* ftpServer_;
  QLabel* problem_;
  QPushButton* restoreDefault_;
};

}  // namespace vlx
