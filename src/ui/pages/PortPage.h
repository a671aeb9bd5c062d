#pragma once
// The Port page: picks, tests, refreshes and closes the serial port to the amplifier. It drives
// only the contact search, and tells a test's outcome in a box only while it is the visible page.

#include <QString>

#include "model/Listener.h"
#include "pages/Page.h"

class QComboBox;
class QPushButton;

namespace vlx {

struct UiServices;

class PortPage : public Page, public Listener {
 public:
  explicit PortPage(UiServices& services, QWidget* parent = nullptr);
  ~PortPage() override;

  QString HelpTopic() const override { return QStringLiteral("Port.htm"); }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

  void OnMessage(MessageId id, MessageParam wParam) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls() override;
  void PlaceControls();
  // The list as the page first offers it, and the stored port chosen in it; done once.
  void SetUpPortList();
  // The system's ports, and the stored one while it still leads to a device; the selection is
  // kept when it is still offered.
  void FillPortList();
  // Selects the first port whose name begins with `name`, ignoring case; false if none does.
  bool SelectPort(const QString& name);
  // Selects the stored port, or shows it in the field where the platform keeps a stored port
  // that is absent; false when neither happens.
  bool ShowStoredPort();
  void OnPortPicked(int index);
  void OnRefresh();
  void OnTest();
  void OnClosePort();
  void ShowOutcome();
  void StartListening();
  void StopListening();

  UiServices& services_;
  QComboBox* portList_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* test_ = nullptr;
  QPushButton* close_ = nullptr;
  bool listSetUp_ = false;
  bool listening_ = false;
};

}  // namespace vlx
