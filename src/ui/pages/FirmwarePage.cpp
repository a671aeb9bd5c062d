#include "pages/FirmwarePage.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>

#include "UiServices.h"
#include "UiText.h"
#include "dialogs/FtpCopyDialog.h"
#include "dialogs/SendingFirmwareDialog.h"
#include "firmware/FtpServer.h"
#include "link/Clock.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "model/DeviceFacts.h"
#include "pages/ActivityLog.h"
#include "report/FirmwareTextIds.h"
#include "report/LinkTextIds.h"
#include "report/Prompts.h"
#include "report/ReportTextIds.h"
#include "report/RevisionText.h"
#include "report/StatusSink.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

// The page's size in dialog units, which is also the least it may be given.

// The longest folder path the system takes; the classic 260 characters would refuse deep
// folders that are ordinary here.
#if defined(Q_OS_WIN) || !defined(PATH_MAX)
constexpr int kFolderMaxLength = 260;
#else
constexpr int kFolderMaxLength = PATH_MAX - 1;
#endif

// Folder names differ by letter case where the file system tells case apart.
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity kFolderCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kFolderCase = Qt::CaseSensitive;
#endif

QPushButton* MakeButton(const char* text, const char* objectName, std::uint32_t tipId) {
  auto* button = new QPushButton(QString::fromUtf8(text));
  button->setObjectName(objectName);
  button->setToolTip(LoadText(tipId));
  return button;
}

QLabel* MakeRevisionLabel(const char* objectName) {
  auto* label = new QLabel(LoadText(ids::kRevisionUnknown));
  label->setObjectName(objectName);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

FirmwarePage::FirmwarePage(UiServices& services, const std::string& identityLine,
                           const std::string& osLine, QWidget* parent)
    : Page(QStringLiteral("Firmware"), parent),
      services_(services),
      identityLine_(identityLine),
      osLine_(osLine),
      log_(new ActivityLog) {
  setObjectName("firmwarePage");
  setMinimumSize(TemplateSize());

  // The folder box and the group boxes stretch with the page, the buttons keep to the right,
  // and the log takes the height the others leave.
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildFolderGroup());
  auto* middle = new QHBoxLayout;
  middle->addWidget(BuildCheckGroup(), 1);
  middle->addWidget(BuildRevisionGroup(), 1);
  layout->addLayout(middle);
  auto* logGroup = new QGroupBox(QStringLiteral("Activity Log"));
  logGroup->setObjectName("activityLogGroup");
  auto* logLayout = new QVBoxLayout(logGroup);
  logLayout->addWidget(log_);
  layout->addWidget(logGroup, 1);
  log_->OfferClearAndSave(services_, logFiles_);

  const LocalTime now = services_.clock.Now();
  log_->AppendLogLine(identityLine, now);
  log_->AppendLogLine(osLine, now);
}

FirmwarePage::~FirmwarePage() {
  StopListening();
}

QWidget* FirmwarePage::BuildFolderGroup() {
  auto* group = new QGroupBox(QStringLiteral("Folder Location"));
  group->setObjectName("folderLocationGroup");
  folder_ = new QLineEdit;
  folder_->setObjectName("firmwareFolder");
  folder_->setMaxLength(kFolderMaxLength);
  folder_->installEventFilter(this);
  connect(folder_, &QLineEdit::textEdited, this, [this] { folderTextChanged_ = true; });
  default_ = MakeButton("Default", "defaultFolder", ids::kTipDefaultFirmwareFolder);
  browse_ = MakeButton("Browse...", "browseFolder", ids::kTipBrowseFirmwareFolder);
  connect(default_, &QPushButton::clicked, this, &FirmwarePage::OnDefault);
  connect(browse_, &QPushButton::clicked, this, &FirmwarePage::OnBrowse);

  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(QStringLiteral("Local folder for firmware files:")), 0, 0);
  grid->addWidget(default_, 0, 1);
  grid->addWidget(folder_, 1, 0);
  grid->addWidget(browse_, 1, 1);
  grid->setColumnStretch(0, 1);
  return group;
}

QWidget* FirmwarePage::BuildCheckGroup() {
  auto* group = new QGroupBox(QStringLiteral("Check for New Files"));
  group->setObjectName("checkForNewFilesGroup");
  checkRevision_ = MakeButton("Check Revision Now", "checkRevision", ids::kTipCheckRevision);
  copyNewFiles_ = MakeButton("Copy New Files from Velqorin", "copyNewFiles", ids::kTipCopyNewFiles);
  // Without a way to reach the server the button only shows where the copy would start.
  copyNewFiles_->setEnabled(services_.ftpClients && services_.ftpLocalFiles != nullptr);
  connect(checkRevision_, &QPushButton::clicked, this, [this] { CheckRevision(true); });
  connect(copyNewFiles_, &QPushButton::clicked, this, &FirmwarePage::CopyNewFiles);

  auto* column = new QVBoxLayout(group);
  column->addWidget(checkRevision_);
  column->addWidget(copyNewFiles_);
  column->addStretch(1);
  return group;
}

QWidget* FirmwarePage::BuildRevisionGroup() {
  auto* group = new QGroupBox(QStringLiteral("Firmware Revision"));
  group->setObjectName("firmwareRevisionGroup");
  installed_ = MakeRevisionLabel("installedRevision");
  available_ = MakeRevisionLabel("availableRevision");
  send_ = MakeButton("Send Firmware to VLX750", "sendFirmware", ids::kTipSendFirmware);
  send_->setEnabled(false);
  connect(send_, &QPushButton::clicked, this, &FirmwarePage::SendFirmware);

  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(QStringLiteral("Installed in VLX")), 0, 0);
  grid->addWidget(installed_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Available")), 1, 0);
  grid->addWidget(available_, 1, 1);
  grid->addWidget(send_, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return group;
}

void FirmwarePage::OnPageLog(const std::string& line) {
  log_->AppendLogLine(line, services_.clock.Now());
}

void FirmwarePage::AppendLogLine(const std::string& line) {
  OnPageLog(line);
}

void FirmwarePage::OnMessage(MessageId id, MessageParam) {
  AppSettings& app = services_.app;
  switch (id) {
    case kMsgFirmwareFolder:
      folder_->setText(QString::fromStdString(app.firmwareFolder.Get()));
      ScanAndShow(true);
      break;
    case kMsgDeviceState:
      UpdateSendButton();
      break;
    case kMsgRevision:
      installed_->setText(QString::fromStdString(RevisionText(app.revision.Get())));
      break;
    default:
      break;
  }
}

void FirmwarePage::showEvent(QShowEvent* event) {
  Page::showEvent(event);
  StartListening();
}

void FirmwarePage::hideEvent(QHideEvent* event) {
  Page::hideEvent(event);
  // A minimised window still shows this page; only leaving it for another page (or closing)
  // ends the listening.
  if (!event->spontaneous()) {
    StopListening();
  }
}

void FirmwarePage::StartListening() {
  if (listening_) {
    return;
  }
  listening_ = true;
  AppSettings& app = services_.app;
  app.firmwareFolder.SubscribeAndSend(*this);
  app.deviceState.SubscribeAndSend(*this);
  app.revision.SubscribeAndSend(*this);
  if (app.mainWindowReady.Get() != 0) {
    CheckRevision(false);
  }
}

void FirmwarePage::StopListening() {
  if (!listening_) {
    return;
  }
  listening_ = false;
  AppSettings& app = services_.app;
  app.firmwareFolder.Unsubscribe(*this);
  app.deviceState.Unsubscribe(*this);
  app.revision.Unsubscribe(*this);
}

bool FirmwarePage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == folder_) {
    switch (event->type()) {
      case QEvent::FocusIn:
        folderTextChanged_ = false;
        break;
      case QEvent::FocusOut:
        if (folderTextChanged_) {
          folderTextChanged_ = false;
          OnFolderTyped();
        }
        break;
      case QEvent::KeyPress: {
        // Enter moves on to the next control, as Tab does, and goes no further.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
          focusNextChild();
          return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return Page::eventFilter(watched, event);
}

void FirmwarePage::ScanAndShow(bool report) {
  AppSettings& app = services_.app;
  scan_ = ScanFirmwareFolder(app.Files(), app.firmwareFolder.Get());
  available_->setText(scan_.firmware.Found() ? QString::fromStdString(FormatText(
                                                   "%02u.%02u", {scan_.firmware.revision / 100u,
                                                                 scan_.firmware.revision % 100u}))
                                             : LoadText(ids::kFirmwareMissing));
  UpdateSendButton();
  if (report && !scan_.firmware.Found()) {
    app.Status().StatusText(FormatText(ids::kFirmwareFileNotInFolder, {kDeviceWord, kDeviceWord}));
  }
}

void FirmwarePage::CheckRevision(bool isExplicit) {
  ScanAndShow(true);
  AppSettings& app = services_.app;
  if (isExplicit || app.portOpen.Get() != 0) {
    app.EstablishContact().BeginTestCommunications();
  }
}

void FirmwarePage::UpdateSendButton() {
  const AppSettings& app = services_.app;
  const std::uint16_t revision = app.revision.Get();
  const bool revisionKnown = revision != revision::kUnknown &&
                             revision != revision::kNotAvailable && revision != revision::kLoading;
  const bool enable = scan_.firmware.Found() && app.IsAmplifierPresent() &&
                      HasFirmwarePrefix(FileNameOf(scan_.firmware.path)) &&
                      (revisionKnown || app.deviceState.Get() == device_state::kWaitingInLoader);
  if (!enable && send_->hasFocus()) {
    focusNextChild();
  }
  send_->setEnabled(enable);
}

void FirmwarePage::OnDefault() {
  AppSettings& app = services_.app;
  app.firmwareFolder.Publish(DefaultDataFolder(app.Files(), kFirmwareLeaf));
}

void FirmwarePage::OnBrowse() {
  if (!services_.chooseFolder) {
    return;
  }
  AppSettings& app = services_.app;
  const std::optional<std::string> folder = services_.chooseFolder(
      this, QString::fromStdString(FormatText(ids::kBrowseFirmwareFolderTitle, {kDeviceWord})),
      app.firmwareFolder.Get());
  if (folder && !folder->empty()) {
    app.firmwareFolder.Publish(*folder);
  }
}

void FirmwarePage::OnFolderTyped() {
  AppSettings& app = services_.app;
  const QString typed = folder_->text().trimmed();
  if (typed.compare(QString::fromStdString(app.firmwareFolder.Get()), kFolderCase) != 0) {
    app.firmwareFolder.Publish(typed.toStdString());
  }
}

void FirmwarePage::CopyNewFiles() {
  ScanAndShow(false);
  AppSettings& app = services_.app;
  const ResolvedFtpServer server = ResolveFtpServer(app.ftpServer.Get());
  if (server.status) {
    app.Status().StatusText(*server.status);
  }
  if (std::unique_ptr<FtpClient> client = services_.ftpClients()) {
    FtpCopyDialog dialog(
        services_, std::move(client),
        FtpCopyOptions{server.address, app.firmwareFolder.Get(), app.trace.Get() != 0}, this);
    dialog.Exec();
  }
  app.Status().StatusText(std::string(LoadString(ids::kReady)));
  CheckRevision(true);
}

void FirmwarePage::SendFirmware() {
  powerCycleAdvised_ = false;
  SendFirmwareSequence sequence(services_.app, *this);
  sequence.Send(services_.app.firmwareFolder.Get(), scan_.firmware);
  UpdateSendButton();
  if (powerCycleAdvised_) {
    AdvisePowerCycle();
  }
}

LoadOutcome FirmwarePage::RunLoad() {
  SendingFirmwareDialog dialog(services_, identityLine_, osLine_, this);
  const int result = dialog.exec();
  powerCycleAdvised_ = dialog.PowerCycleAdvised();
  return result == SendingFirmwareDialog::kLoadSucceeded ? LoadOutcome::kSucceeded
                                                         : LoadOutcome::kFailed;
}

void FirmwarePage::AdvisePowerCycle() {
  const std::string advice(LoadString(ids::kRemovePowerAndRetry));
  services_.app.Status().StatusText(advice);
  // The box waits for the click that started the send to return. A window that was closed
  // meanwhile (its close stopped the load) has no one left to tell.
  QTimer::singleShot(0, this, [this, advice] {
    if (isVisible()) {
      services_.prompts.MessageBox(
          advice, FormatText(ids::kSendingFirmwareTitle, {LoadString(ids::kDeviceName)}),
          mb::kOk | mb::kIconWarning);
    }
  });
}

}  // namespace vlx
