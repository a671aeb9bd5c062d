#include "pages/PortPage.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <algorithm>
#include <string>

#include "DialogUnits.h"
#include "UiServices.h"
#include "UiText.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "report/DeviceTexts.h"
#include "report/FailureReport.h"
#include "report/Prompts.h"
#include "report/WindowTextIds.h"

namespace vlx {
namespace {

// The page's template: its size and the point size of its font, in dialog units.
constexpr int kTemplatePointSize = 10;

struct UnitRect {
  int x, y, width, height;
};

// Port names here are paths ("/dev/serial/by-id/usb-..."), far longer than a COM name: the port
// field takes the page's width on its own row, and the buttons keep their column and spacing
// below it.
constexpr UnitRect kLabelRect{13, 14, 147, 8};
constexpr UnitRect kPortListRect{12, 35, 302, 0};  // the edit field keeps its natural height
constexpr UnitRect kRefreshRect{83, 59, 86, 14};
constexpr UnitRect kTestRect{83, 91, 86, 14};
constexpr UnitRect kCloseRect{83, 123, 86, 14};

// Windows lists every COM port the system has, so a stored port missing from that list is gone
// and the choice is cleared. Elsewhere the names we take (by-id links, typed device and
// pseudo-terminal paths) are in no complete list, and a USB adapter plugged in after the program
// starts is normal: the stored port is kept and shown, and a test reports it missing.
#ifdef Q_OS_WIN
constexpr bool kClearStoredPortMissingFromList = true;
#else
constexpr bool kClearStoredPortMissingFromList = false;
#endif

std::uint32_t OutcomeStyle(std::uint32_t deviceState) {
  switch (deviceState) {
    case device_state::kWaitingInLoader:
      return mb::kIconWarning;
    case device_state::kOperating:
      return mb::kIconInformation;
    default:
      return mb::kIconError;
  }
}

}  // namespace

PortPage::PortPage(UiServices& services, QWidget* parent)
    : Page(QStringLiteral("Port"), parent), services_(services) {
  setObjectName("portPage");
  QFont templateFont = QApplication::font();
  templateFont.setPointSize(kTemplatePointSize);
  setFont(templateFont);
  // Reading the system's list takes tens of milliseconds, so it waits for the page's first show.
  // Where a stored port missing from the list is cleared, that must happen before the window
  // starts its search with the port.
  if (kClearStoredPortMissingFromList) {
    EnsureBuilt();
    SetUpPortList();
  }
}

void PortPage::BuildControls() {
  portList_ = new QComboBox(this);
  refresh_ = new QPushButton(QStringLiteral("Refresh Port List"), this);
  test_ = new QPushButton(QStringLiteral("Test Communications"), this);
  close_ = new QPushButton(QStringLiteral("Close Port"), this);
  portList_->setObjectName("portList");
  portList_->setEditable(true);
  // A typed path is taken as written: no inline completion that could turn "/dev/pts/3" into
  // "/dev/pts/30" behind the user's back. Enter puts it in its sorted place and picks it.
  portList_->setCompleter(nullptr);
  portList_->setInsertPolicy(QComboBox::InsertAlphabetically);
  refresh_->setObjectName("refreshPortList");
  test_->setObjectName("testCommunications");
  test_->setDefault(true);
  close_->setObjectName("closePort");

  portList_->setToolTip(LoadText(ids::kTipPortList));
  refresh_->setToolTip(LoadText(ids::kTipRefreshPortList));
  test_->setToolTip(LoadText(ids::kTipTestCommunications));
  close_->setToolTip(LoadText(ids::kTipClosePort));
  PlaceControls();

  // activated comes from the user only (a pick in the list, or Enter in the edit field), never
  // from the page refilling or selecting.
  connect(portList_, &QComboBox::activated, this, &PortPage::OnPortPicked);
  connect(refresh_, &QPushButton::clicked, this, &PortPage::OnRefresh);
  connect(test_, &QPushButton::clicked, this, &PortPage::OnTest);
  connect(close_, &QPushButton::clicked, this, &PortPage::OnClosePort);
}

void PortPage::SetUpPortList() {
  if (listSetUp_) {
    return;
  }
  listSetUp_ = true;
  FillPortList();
  if (!ShowStoredPort() && !services_.app.port.Get().empty()) {
    services_.app.port.Publish(std::string());
  }
}

PortPage::~PortPage() {
  StopListening();
}

QSize PortPage::sizeHint() const {
  return TemplateSize();
}

void PortPage::PlaceControls() {
  auto* label = new QLabel(QStringLiteral("Choose Serial Port connected to VLX750:"), this);
  label->setObjectName("choosePortLabel");
  const QFont& units = font();
  // Where the template was drawn for a narrower font, a text still shows whole: the label and
  // the buttons grow to the right, where nothing else sits.
  const auto place = [&units](QWidget* control, const UnitRect& rect, bool fitText) {
    const QSize natural = control->sizeHint();
    int width = HorizontalDialogUnits(units, rect.width);
    if (fitText) {
      width = std::max(width, natural.width());
    }
    const int height = rect.height > 0 ? VerticalDialogUnits(units, rect.height) : natural.height();
    control->setGeometry(HorizontalDialogUnits(units, rect.x), VerticalDialogUnits(units, rect.y),
                         width, height);
  };
  place(label, kLabelRect, true);
  place(portList_, kPortListRect, false);
  place(refresh_, kRefreshRect, true);
  place(test_, kTestRect, true);
  place(close_, kCloseRect, true);
  setTabOrder(portList_, refresh_);
  setTabOrder(refresh_, test_);
  setTabOrder(test_, close_);
}

void PortPage::FillPortList() {
  const int selected = portList_->currentIndex();
  const QString remembered = selected >= 0 ? portList_->itemText(selected) : QString();

  QStringList ports;
  if (services_.listSerialPorts) {
    for (const std::string& port : services_.listSerialPorts()) {
      ports.append(QString::fromStdString(port));
    }
  }
  // A pseudo-terminal or the simulator's link is in no system list; while it still exists it
  // stays on offer, so a port typed once survives a restart.
  const QString stored = QString::fromStdString(services_.app.port.Get());
  if (!stored.isEmpty() && QFileInfo::exists(stored)) {
    ports.append(stored);
  }
  ports.removeAll(QString());
  ports.removeDuplicates();
  std::sort(ports.begin(), ports.end(), [](const QString& a, const QString& b) {
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
  });

  portList_->clear();
  portList_->addItems(ports);
  // The list opens wide enough for the longest device path.
  QAbstractItemView* view = portList_->view();
  view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth());
  if (!SelectPort(remembered)) {
    ShowStoredPort();
  }
}

bool PortPage::ShowStoredPort() {
  const QString stored = QString::fromStdString(services_.app.port.Get());
  if (SelectPort(stored)) {
    return true;
  }
  if (stored.isEmpty() || kClearStoredPortMissingFromList) {
    return false;
  }
  // In the field only: the list offers what exists.
  portList_->setEditText(stored);
  return true;
}

bool PortPage::SelectPort(const QString& name) {
  int match = -1;
  // An empty name would match every port; nothing chosen selects nothing.
  if (!name.isEmpty()) {
    for (int i = 0; i < portList_->count(); ++i) {
      if (portList_->itemText(i).startsWith(name, Qt::CaseInsensitive)) {
        match = i;
        break;
      }
    }
  }
  portList_->setCurrentIndex(match);
  return match >= 0;
}

void PortPage::OnPortPicked(int index) {
  if (index < 0) {
    return;
  }
  services_.app.port.Publish(portList_->itemText(index).toStdString());
  services_.app.EstablishContact().BeginTestCommunications();
}

void PortPage::OnRefresh() {
  // Closed first, so that an adapter pulled out and plugged in again can be opened anew.
  services_.app.EstablishContact().BeginClosePort();
  FillPortList();
  if (portList_->currentIndex() >= 0) {
    portList_->showPopup();
  }
}

void PortPage::OnTest() {
  if (!services_.app.port.Get().empty()) {
    services_.app.EstablishContact().BeginTestCommunications();
    return;
  }
  ShowMessageBox(services_.prompts, ids::kChooseSerialPort, ids::kSelectSerialPortCaption,
                 mb::kIconError);
  portList_->showPopup();
}

void PortPage::OnClosePort() {
  services_.app.EstablishContact().BeginClosePort();
}

void PortPage::OnMessage(MessageId id, MessageParam) {
  AppSettings& app = services_.app;
  if (id == kMsgPortOpen) {
    close_->setEnabled(app.portOpen.Get() != 0);
  } else if (id == kMsgDeviceState && listening_ && app.portOpen.Get() != 0) {
    ShowOutcome();
  }
}

void PortPage::ShowOutcome() {
  AppSettings& app = services_.app;
  const std::uint32_t state = app.deviceState.Get();
  ShowMessageBox(services_.prompts,
                 DeviceStateText(state, app.revision.Get(), app.Serial().Speed()),
                 ids::kDeviceStatusCaption, OutcomeStyle(state));
}

void PortPage::showEvent(QShowEvent* event) {
  Page::showEvent(event);
  SetUpPortList();
  StartListening();
}

void PortPage::hideEvent(QHideEvent* event) {
  Page::hideEvent(event);
  // A minimised window still shows this page; only leaving it for another page (or closing)
  // ends the listening.
  if (!event->spontaneous()) {
    StopListening();
  }
}

void PortPage::StartListening() {
  if (listening_) {
    return;
  }
  listening_ = true;
  services_.app.deviceState.Subscribe(*this);
  // Told at once, so "Close Port" is right whatever happened while another page was showing.
  services_.app.portOpen.SubscribeAndSend(*this);
}

void PortPage::StopListening() {
  if (!listening_) {
    return;
  }
  listening_ = false;
  services_.app.deviceState.Unsubscribe(*this);
  services_.app.portOpen.Unsubscribe(*this);
}

}  // namespace vlx
