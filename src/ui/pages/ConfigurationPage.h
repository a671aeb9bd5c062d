#pragma once
// The Configuration page: four buttons that open the Save and Restore Configuration dialogs, the
// fault table and the power-on banner editor. They work only while the amplifier is operating
// (DeviceState 3); otherwise the whole page is disabled.

#include <QString>
#include <functional>
#include <string>

#include "model/Listener.h"
#include "pages/Page.h"
#include "settings/SystemFileStore.h"

class QPushButton;

namespace vlx {

struct UiServices;

class ConfigurationPage final : public Page, public Listener {
 public:
  // `programRevision` is the program's revision line that saved files record.
  ConfigurationPage(UiServices& services, std::string programRevision, QWidget* parent = nullptr);
  ~ConfigurationPage() override;

  QString HelpTopic() const override { return QStringLiteral("Configuration.htm"); }
  QSize sizeHint() const override { return minimumSize(); }
  void OnMessage(MessageId id, MessageParam wParam) override;

  // What "Display Fault Table..." and "Edit Power On Banner..." open, given the page as the
  // owner: the fault table and the banner sheet, unless a test puts something else here.
  std::function<void(QWidget* owner)> showFaultTable;
  std::function<void(QWidget* owner)> editBanner;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls() override;
  void SaveConfiguration();
  void RestoreConfiguration();
  void StopListening();

  UiServices& services_;
  SystemFileStore files_;
  const std::string programRevision_;
  bool listening_ = false;
};

}  // namespace vlx
