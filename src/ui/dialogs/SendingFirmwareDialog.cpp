#include "dialogs/SendingFirmwareDialog.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <memory>

#include "BusyCursor.h"
#include "DialogUnits.h"
#include "UiServices.h"
#include "UiText.h"
#include "firmware/LoadVerdict.h"
#include "model/AppSettings.h"
#include "model/DeviceFacts.h"
#include "pages/ActivityLog.h"
#include "report/FailureReport.h"
#include "report/FirmwareTextIds.h"
#include "report/ReportTextIds.h"
#include "report/RevisionText.h"
#include "report/StatusSink.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "report/WindowTextIds.h"

namespace vlx {
namespace {

// The dialog's first size in dialog units, which is also the least it may be given.
constexpr int kWidthUnits = 320;
constexpr int kHeightUnits = 200;
}  // namespace

SendingFirmwareDialog::SendingFirmwareDialog(UiServices& services, const std::string& identityLine,
                                             const std::string& osLine, QWidget* owner)
    : QDialog(owner),
      services_(services),
      log_(new ActivityLog),
      progress_(new QProgressBar),
      activity_(new QLabel),
      close_(new QPushButton(QStringLiteral("Cancel"))) {
  setObjectName("sendingFirmwareDialog");
  setWindowTitle(QStringLiteral("Sending Firmware"));
  setSizeGripEnabled(true);
  log_->setObjectName("sendingFirmwareLog");
  progress_->setObjectName("loadProgress");
  progress_->setTextVisible(true);
  progress_->setFormat(QStringLiteral("%p%"));
  progress_->setRange(0, 0);
  progress_->setValue(0);
  activity_->setObjectName("loadActivity");
  activity_->setTextFormat(Qt::PlainText);
  // The line keeps its room while empty, so that the dialog does not jump when a fault comes.
  activity_->setMinimumHeight(activity_->fontMetrics().height());
  close_->setObjectName("closeButton");
  close_->setAutoDefault(false);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(log_, 1);
  layout->addWidget(progress_);
  layout->addWidget(activity_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close_);
  layout->addLayout(buttons);
  const QSize initial = DialogUnitsToPixels(font(), kWidthUnits, kHeightUnits);
  setMinimumSize(initial);
  resize(initial);

  const AppSettings& app = services_.app;
  LogAndStatus(identityLine);
  LogAndStatus(osLine);
  LogAndStatus(FormatText(ids::kDeviceRevisionAndSpeed,
                          {kDeviceWord, RevisionText(app.revision.Get()), app.Serial().Speed()}));
}

SendingFirmwareDialog::~SendingFirmwareDialog() {
  StopListening();
  machine_.Release();
}

void SendingFirmwareDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    StartLoad();
  }
}

void SendingFirmwareDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) {
    StopListening();
    // Releasing a running machine stops the load where it is.
    machine_.Release();
  }
}

void SendingFirmwareDialog::StartLoad() {
  AppSettings& app = services_.app;
  machine_ = app.InstallTransientMachine(
      std::make_unique<FirmwareLoadMachine>(app),
      [this](ErrorCode code, FirmwareLoadMachine& machine) { OnLoadEnded(code, machine); });
  listening_ = true;
  app.progressPosition.SubscribeAndSend(*this);
  app.progressRange.SubscribeAndSend(*this);
  FirmwareLoadMachine* machine = machine_.get();
  if (machine == nullptr || !machine->IsIdle()) {
    return;
  }
  setWindowTitle(
      QString::fromStdString(FormatText(ids::kSendingFirmwareTitle, {machine->DeviceName()})));
  SetBusy(true);
  // A file that cannot be read or fails its checksum ends the run before this returns.
  machine->StartLoad(*this);
}

void SendingFirmwareDialog::StopListening() {
  if (!listening_) {
    return;
  }
  listening_ = false;
  AppSettings& app = services_.app;
  app.progressPosition.Unsubscribe(*this);
  app.progressRange.Unsubscribe(*this);
}

void SendingFirmwareDialog::OnMessage(MessageId id, MessageParam) {
  const AppSettings& app = services_.app;
  switch (id) {
    case kMsgProgressRange:
      progress_->setRange(0, static_cast<int>(app.progressRange.Get()));
      break;
    case kMsgProgressPosition:
      progress_->setValue(static_cast<int>(app.progressPosition.Get()));
      break;
    default:
      break;
  }
}

void SendingFirmwareDialog::OnLoadEnded(ErrorCode code, FirmwareLoadMachine& machine) {
  close_->setText(LoadText(ids::kClose));
  SetBusy(false);
  activity_->clear();
  powerCycleAdvised_ = machine.PowerCycleAdvised();

  result_ = ConcludeLoad(machine, code, [this](const std::string& line, bool verbose) {
    verbose ? LogAndVerbose(line) : LogAndStatus(line);
  });
  // Without a trace to read a good load needs nothing more of the user.
  if (result_ == err::kSuccess && services_.app.trace.Get() == 0) {
    log_->FlushQueued();
    done(kLoadSucceeded);
    return;
  }
  AppendDialogLine(std::string(LoadString(ids::kClickCloseToClose)));
  log_->FlushQueued();
}

bool SendingFirmwareDialog::LoadRunning() const {
  const FirmwareLoadMachine* machine = machine_.get();
  return machine != nullptr && !machine->IsIdle();
}

void SendingFirmwareDialog::Finish() {
  done(result_ == err::kSuccess ? kLoadSucceeded : kLoadFailed);
}

void SendingFirmwareDialog::reject() {
  if (!LoadRunning()) {
    Finish();
    return;
  }
  const int answer = ShowMessageBox(services_.prompts, ids::kConfirmCloseDuringLoad,
                                    ids::kCriticalOperationCaption,
                                    mb::kYesNo | mb::kIconWarning | mb::kDefaultButton2);
  if (answer != mb::kIdYes) {
    return;
  }
  // The question runs an event loop, in which the load may have ended: a run that has ended
  // keeps its own result, a good load included.
  if (LoadRunning()) {
    machine_.get()->Abandon();
  }
  if (isVisible()) {
    Finish();
  }
}

void SendingFirmwareDialog::SetBusy(bool busy) {
  if (busy == busy_) {
    return;
  }
  busy_ = busy;
  ShowBusyCursor(*this, *close_, busy);
}

void SendingFirmwareDialog::FirmwareText(const std::string& line) {
  AppendDialogLine(line);
}

void SendingFirmwareDialog::FirmwareActivity(const LoadActivity& activity) {
  activity_->setText(QString::fromStdString(LoadActivityText(activity)));
}

void SendingFirmwareDialog::AppendDialogLine(const std::string& line) {
  log_->QueueLine(line);
}

void SendingFirmwareDialog::LogAndStatus(const std::string& line) {
  AppendDialogLine(line);
  services_.app.Status().StatusText(line);
}

void SendingFirmwareDialog::LogAndVerbose(const std::string& line) {
  AppendDialogLine(line);
  services_.app.Status().VerboseText(line);
}

}  // namespace vlx
