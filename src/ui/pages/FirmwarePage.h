#pragma once
// The Firmware page: picks the firmware folder, compares the amplifier's revision with the folder's
// and sends the firmware. It scans the folder again whenever it changes or the page is shown, and
// holds the Activity Log.

#include <QString>
#include <string>

#include "firmware/FirmwareFolder.h"
#include "firmware/SendFirmwareSequence.h"
#include "model/Listener.h"
#include "pages/Page.h"
#include "settings/SystemFileStore.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vlx {

class ActivityLog;
struct UiServices;

class FirmwarePage : public Page, public Listener, private SendFirmwareHost {
 public:
  // `identityLine` names the program and its revision, `osLine` the system it runs on; they are
  // the log's first two lines, and the Sending Firmware dialog's too.
  FirmwarePage(UiServices& services, const std::string& identityLine, const std::string& osLine,
               QWidget* parent = nullptr);
  ~FirmwarePage() override;

  QString HelpTopic() const override { return QStringLiteral("Firmware.htm"); }
  void OnPageLog(const std::string& line) override;
  QSize sizeHint() const override { return minimumSize(); }

  void OnMessage(MessageId id, MessageParam wParam) override;

  // What the last scan of the folder found.
  const FirmwareFolderScan& Scan() const { return scan_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildFolderGroup();
  QWidget* BuildCheckGroup();
  QWidget* BuildRevisionGroup();
  void StartListening();
  void StopListening();

  void ScanAndShow(bool report);
  void CheckRevision(bool isExplicit);
  void UpdateSendButton();
  void OnDefault();
  void OnBrowse();
  // The folder box was left after the user changed it.
  void OnFolderTyped();
  // Runs the copy from the maker's server, then looks at the folder and the amplifier again.
  void CopyNewFiles();
  void SendFirmware();
  // Tells, in the status line and a box once the send has returned, that the amplifier needs a
  // power cycle: a load stopped half-way leaves it in its loader.
  void AdvisePowerCycle();

  void AppendLogLine(const std::string& line) override;
  LoadOutcome RunLoad() override;

  UiServices& services_;
  const std::string identityLine_;
  const std::string osLine_;
  QLineEdit* folder_ = nullptr;
  QPushButton* default_ = nullptr;
  QPushButton* browse_ = nullptr;
  QPushButton* checkRevision_ = nullptr;
  QPushButton* copyNewFiles_ = nullptr;
  QLabel* installed_ = nullptr;
  QLabel* available_ = nullptr;
  QPushButton* send_ = nullptr;
  ActivityLog* log_ = nullptr;
  // Where the log's Save As writes.
  SystemFileStore logFiles_;
  FirmwareFolderScan scan_;
  bool folderTextChanged_ = false;
  bool listening_ = false;
  bool powerCycleAdvised_ = false;
};

}  // namespace vlx
