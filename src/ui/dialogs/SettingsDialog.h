#pragma once
// The File menu's "Settings" dialog: the FTP server "Copy New Files from Velqorin" connects to.
// A text that names no server (judged as vlxctl's --ftp-server is) is refused in the dialog; OK
// stores at once, so vlxctl sees the setting while the window is open.

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
