#include "pages/ConfigurationPage.h"

#include <QGridLayout>
#include <QHideEvent>
#include <QPushButton>

#include "DialogUnits.h"
#include "UiServices.h"
#include "UiText.h"
#include "dialogs/BannerSheet.h"
#include "dialogs/ConfigurationTransferDialog.h"
#include "dialogs/FaultTableDialog.h"
#include "model/AppSettings.h"
#include "model/DeviceFacts.h"
#include "report/ConfigTextIds.h"

namespace vlx {
namespace {

constexpr int kButtonWidthUnits = 120;

QPushButton* MakeButton(const char* text, const char* objectName, std::uint32_t tipId) {
  auto* button = new QPushButton(QString::fromUtf8(text));
  button->setObjectName(objectName);
  if (tipId != 0) {
    button->setToolTip(LoadText(tipId));
  }
  return button;
}

}  // namespace

ConfigurationPage::ConfigurationPage(UiServices& services, std::string programRevision,
                                     QWidget* parent)
    : Page(QStringLiteral("Configuration"), parent),
      services_(services),
      programRevision_(std::move(programRevision)) {
  setObjectName("configurationPage");
  setMinimumSize(TemplateSize());
  showFaultTable = [this](QWidget* owner) { RunFaultTableDialog(owner, services_, files_); };
  editBanner = [this](QWidget* owner) { RunBannerSheet(owner, services_); };
}

void ConfigurationPage::BuildControls() {
  QPushButton* save = MakeButton("Save VLX Configuration...", "saveConfigurationButton",
                                 ids::kTipSaveConfiguration);
  QPushButton* restore = MakeButton("Restore VLX Configuration...", "restoreConfigurationButton",
                                    ids::kTipRestoreConfiguration);
  QPushButton* faults = MakeButton("Display Fault Table...", "faultTableButton", 0);
  QPushButton* banner =
      MakeButton("Edit Power On Banner...", "editBannerButton", ids::kTipEditBanner);
  connect(save, &QPushButton::clicked, this, &ConfigurationPage::SaveConfiguration);
  connect(restore, &QPushButton::clicked, this, &ConfigurationPage::RestoreConfiguration);
  connect(faults, &QPushButton::clicked, this, [this] { showFaultTable(this); });
  connect(banner, &QPushButton::clicked, this, [this] { editBanner(this); });

  auto* layout = new QGridLayout(this);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(2, 1);
  layout->setRowStretch(0, 1);
  layout->setRowStretch(5, 2);
  const int width = HorizontalDialogUnits(font(), kButtonWidthUnits);
  int row = 1;
  for (QPushButton* button : {save, restore, faults, banner}) {
    button->setMinimumWidth(width);
    layout->addWidget(button, row++, 1);
    // Nothing may be pressed before the amplifier is known to operate.
    button->setEnabled(false);
  }
}

ConfigurationPage::~ConfigurationPage() {
  StopListening();
}

void ConfigurationPage::showEvent(QShowEvent* event) {
  Page::showEvent(event);
  if (!listening_) {
    listening_ = true;
    services_.app.deviceState.SubscribeAndSend(*this);
  }
}

void ConfigurationPage::hideEvent(QHideEvent* event) {
  Page::hideEvent(event);
  if (!event->spontaneous()) {
    StopListening();
  }
}

void ConfigurationPage::StopListening() {
  if (listening_) {
    listening_ = false;
    services_.app.deviceState.Unsubscribe(*this);
  }
}

void ConfigurationPage::OnMessage(MessageId id, MessageParam) {
  if (id == kMsgDeviceState) {
    const bool operating = services_.app.deviceState.Get() == device_state::kOperating;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      child->setEnabled(operating);
    }
  }
}

void ConfigurationPage::SaveConfiguration() {
  SaveConfigurationDialog dialog(services_, files_, programRevision_, this);
  dialog.exec();
}

void ConfigurationPage::RestoreConfiguration() {
  RestoreConfigurationDialog dialog(services_, files_, this);
  dialog.exec();
}

}  // namespace vlx
