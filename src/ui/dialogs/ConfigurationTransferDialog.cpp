#include "dialogs/ConfigurationTransferDialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "BusyCursor.h"
#include "DialogUnits.h"
#include "UiServices.h"
#include "UiText.h"
#include "report/ConfigTextIds.h"
#include "report/ReportTextIds.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr int kWidthUnits = 186;
constexpr int kHeightUnits = 62;

}  // namespace

ConfigurationTransferDialog::ConfigurationTransferDialog(UiServices& services, const QString& title,
                                                         const QString& text, QWidget* owner)
    : QDialog(owner),
      services_(services),
      text_(new QLabel(text)),
      progress_(new QProgressBar),
      cancel_(new QPushButton(QStringLiteral("Cancel"))) {
  setWindowTitle(title);
  setModal(true);
  text_->setObjectName("transferText");
  text_->setWordWrap(true);
  progress_->setObjectName("transferProgress");
  progress_->setTextVisible(false);
  progress_->setRange(0, 0);
  progress_->setValue(0);
  cancel_->setObjectName("cancelButton");
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, &ConfigurationTransferDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(progress_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  setMinimumSize(DialogUnitsToPixels(font(), kWidthUnits, kHeightUnits));
}

void ConfigurationTransferDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!opened_) {
    opened_ = true;
    opening_ = true;
    OpenFlow();
    opening_ = false;
  }
}

void ConfigurationTransferDialog::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) {
    ReleaseFlow();
  }
}

void ConfigurationTransferDialog::reject() {
  if (closing_) {
    QDialog::reject();
    return;
  }
  if (!cancel_->isEnabled()) {
    return;  // the run can no longer be stopped: Escape and the close box do nothing either
  }
  CancelFlow();
}

void ConfigurationTransferDialog::ShowProgress(std::uint32_t position, std::uint32_t range) {
  progress_->setRange(0, static_cast<int>(range));
  progress_->setValue(static_cast<int>(position));
}

void ConfigurationTransferDialog::ShowBusy(bool busy) {
  ShowBusyCursor(*this, *cancel_, busy);
}

void ConfigurationTransferDialog::OfferClose() {
  cancel_->setText(LoadText(ids::kClose));
  cancel_->setEnabled(true);
}

void ConfigurationTransferDialog::AllowCancel(bool allowed) {
  cancel_->setEnabled(allowed);
}

// The file's name is cut in the middle rather than widening the dialog; the tooltip holds the path.
void ConfigurationTransferDialog::ShowRestoring(const std::string& path,
                                                const ConfigurationFileFacts& facts) {
  const QString fullPath = QString::fromStdString(path);
  const QString name = text_->fontMetrics().elidedText(QFileInfo(fullPath).fileName(),
                                                       Qt::ElideMiddle, minimumWidth());
  text_->setText(QString::fromStdString(
      FormatText(ids::kRestoringFile, {name.toStdString(), facts.serialNumber, facts.savedOn})));
  text_->setToolTip(fullPath);
}

void ConfigurationTransferDialog::Close(bool done) {
  closing_ = true;
  cancel_->setEnabled(true);
  const int result = done ? Accepted : Rejected;
  if (opening_) {
    // The flow ended while the dialog is still being shown (no file chosen, a file refused):
    // exec() has no loop to leave yet.
    QTimer::singleShot(0, this, [this, result] { QDialog::done(result); });
    return;
  }
  QDialog::done(result);
}

// SaveConfigurationDialog

SaveConfigurationDialog::SaveConfigurationDialog(UiServices& services, FileStore& files,
                                                 std::string programRevision, QWidget* owner)
    : ConfigurationTransferDialog(services, QStringLiteral("Save VLX Configuration"),
                                  QStringLiteral("Saving configuration"), owner),
      flow_(services.app, files, *this, std::move(programRevision)) {
  setObjectName("saveConfigurationDialog");
}

SaveConfigurationDialog::~SaveConfigurationDialog() {
  flow_.Release();
}

// RestoreConfigurationDialog

RestoreConfigurationDialog::RestoreConfigurationDialog(UiServices& services, FileStore& files,
                                                       QWidget* owner)
    : ConfigurationTransferDialog(services, QStringLiteral("Restore VLX Configuration"),
                                  QStringLiteral("Restoring configuration"), owner),
      flow_(services.app, files, *this, [&services](const ConfigurationFileCheck&) {
        return AskRestoreOtherUnit(services.prompts);
      }) {
  setObjectName("restoreConfigurationDialog");
}

RestoreConfigurationDialog::~RestoreConfigurationDialog() {
  flow_.Release();
}

}  // namespace vlx
