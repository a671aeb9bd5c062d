#include "dialogs/FtpCopyDialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "BusyCursor.h"
#include "DialogUnits.h"
#include "UiServices.h"
#include "UiText.h"
#include "model/AppSettings.h"
#include "pages/ActivityLog.h"
#include "report/ReportTextIds.h"
#include "report/StatusSink.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

// The dialog's first size in dialog units, which is also the least it may be given.
constexpr int kWidthUnits = 300;
constexpr int kHeightUnits = 180;
// How often the fetch's progress is shown, and the bar's resolution.
constexpr int kProgressMs = 200;
constexpr int kProgressSteps = 1000;

std::uint64_t KiB(std::uint64_t bytes) {
  return (bytes + 1023) / 1024;
}

}  // namespace

FtpCopyDialog::FtpCopyDialog(UiServices& services, std::unique_ptr<FtpClient> client,
                             FtpCopyOptions options, QWidget* owner)
    : QDialog(owner),
      services_(services),
      client_(std::move(client)),
      run_(*client_, services.app.Files(), *services.ftpLocalFiles, *this, std::move(options)),
      log_(new ActivityLog),
      progress_(new QProgressBar),
      progressText_(new QLabel),
      button_(new QPushButton(QStringLiteral("Cancel"))) {
  setObjectName("ftpCopyDialog");
  setWindowTitle(QStringLiteral("Copy Files from Velqorin File Server"));
  setSizeGripEnabled(true);
  log_->setObjectName("ftpCopyLog");
  progress_->setObjectName("fetchProgress");
  progress_->setTextVisible(false);
  progressText_->setObjectName("fetchProgressText");
  button_->setObjectName("closeButton");
  button_->setAutoDefault(false);
  connect(button_, &QPushButton::clicked, this, &FtpCopyDialog::OnButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(log_, 1);
  layout->addWidget(progress_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(progressText_, 1);
  bottom->addWidget(button_);
  layout->addLayout(bottom);
  const QSize initial = DialogUnitsToPixels(font(), kWidthUnits, kHeightUnits);
  setMinimumSize(initial);
  resize(initial);

  connect(&progressTimer_, &QTimer::timeout, this, &FtpCopyDialog::ShowProgress);
  ShowProgress();
}

// The run goes first: it closes its session and drops an unfinished fetch while the client
// still exists.
FtpCopyDialog::~FtpCopyDialog() = default;

int FtpCopyDialog::Exec() {
  if (!run_.EnsureFolder(services_.prompts)) {
    return kNotCopied;
  }
  return exec();
}

void FtpCopyDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    // Once the window is up: the run may end before Run returns, and ending closes the window.
    QTimer::singleShot(0, this, [this] {
      SetBusy(true);
      progressTimer_.start(kProgressMs);
      run_.Run();
    });
  }
}

void FtpCopyDialog::OnButton() {
  if (!run_.Cancel()) {
    close();
  }
}

void FtpCopyDialog::reject() {
  OnButton();
}

void FtpCopyDialog::closeEvent(QCloseEvent* event) {
  if (run_.Running()) {
    event->ignore();
    return;
  }
  event->accept();
  done(run_.Result() == err::kSuccess ? kCopied : kNotCopied);
}

void FtpCopyDialog::FtpLine(FtpLineKind kind, const std::string& line) {
  log_->QueueLine(line);
  StatusSink& status = services_.app.Status();
  if (kind == FtpLineKind::kStatus) {
    status.StatusText(line);
  } else if (kind == FtpLineKind::kVerbose) {
    status.VerboseText(line);
  }
}

void FtpCopyDialog::FtpCopyEnded(FtpCopyEnd end) {
  if (end == FtpCopyEnd::kStopped) {
    FtpLine(FtpLineKind::kStatus, std::string(LoadString(ids::kClickCloseToClose)));
  }
  progressTimer_.stop();
  SetBusy(false);
  Refresh();
  switch (end) {
    case FtpCopyEnd::kCompleted:
      done(kCopied);
      break;
    case FtpCopyEnd::kCancelled:
      done(kNotCopied);
      break;
    case FtpCopyEnd::kStopped:
      // Nothing is fetched any more: the bar goes, and Enter closes what is left to read.
      progress_->hide();
      button_->setText(LoadText(ids::kClose));
      button_->setDefault(true);
      break;
  }
}

void FtpCopyDialog::Refresh() {
  log_->FlushQueued();
  ShowProgress();
}

// The file being fetched: how much of it is here, as a bar and in KiB; a bar that only shows
// activity when the listing gave no size.
void FtpCopyDialog::ShowProgress() {
  const std::optional<FtpFetchProgress> fetch = run_.Fetch();
  if (!fetch) {
    progress_->setRange(0, kProgressSteps);
    progress_->setValue(0);
    progressText_->clear();
    return;
  }
  if (fetch->size && *fetch->size > 0) {
    progress_->setRange(0, kProgressSteps);
    const std::uint64_t received = std::min(fetch->received, *fetch->size);
    progress_->setValue(static_cast<int>(received * kProgressSteps / *fetch->size));
    progressText_->setText(QString::fromStdString(
        FormatText("%s: %u of %u KiB", {fetch->name, KiB(received), KiB(*fetch->size)})));
  } else {
    progress_->setRange(0, 0);
    progressText_->setText(
        QString::fromStdString(FormatText("%s: %u KiB", {fetch->name, KiB(fetch->received)})));
  }
}

// The busy cursor everywhere but over the button, which stays usable.
void FtpCopyDialog::SetBusy(bool busy) {
  ShowBusyCursor(*this, *button_, busy);
}

}  // namespace vlx
