// The Port page on the virtual-time test bed: its list, its buttons, and the outcome boxes it
// shows only while it is the visible page.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryFile>
#include <string>
#include <vector>

#include "UiServices.h"
#include "help/HelpService.h"
#include "pages/PortPage.h"
#include "support/LinkTestBed.h"

namespace vlx {
namespace {

using test::SimulatedLink;

class RecordingHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString& topic) override { topics.append(topic); }
  QStringList topics;
};

// The Port page in a sheet next to another page, over the simulated amplifier.
class PortPageHarness {
 public:
  explicit PortPageHarness(const std::string& storedPort = SimulatedLink::kPortName,
                           vlxsim::AmplifierConfig config = {},
                           std::vector<std::string> systemPorts = {"/dev/ttyS0",
                                                                   SimulatedLink::kPortName})
      : bed(config), systemPorts_(std::move(systemPorts)) {
    bed.app.port.Set(storedPort);
    bed.app.port.Subscribe(portListener);
    page = new PortPage(services_);
    sheet_.addTab(page, page->Caption());
    sheet_.addTab(new QWidget, QStringLiteral("Other"));
  }

  // Shows the sheet with the Port page in front.
  void Show() {
    sheet_.setCurrentIndex(0);
    sheet_.show();
  }
  void ShowOtherPage() { sheet_.setCurrentIndex(1); }

  QComboBox& PortList() const { return *page->findChild<QComboBox*>("portList"); }
  QPushButton& Button(const char* name) const { return *page->findChild<QPushButton*>(name); }
  QStringList Offered() const {
    QStringList items;
    for (int i = 0; i < PortList().count(); ++i) {
      items.append(PortList().itemText(i));
    }
    return items;
  }
  QString Selected() const {
    return PortList().currentIndex() >= 0 ? PortList().itemText(PortList().currentIndex())
                                          : QString();
  }
  bool ListDroppedDown() const { return PortList().view()->isVisible(); }

  // What the user does when typing a path into the list's field and pressing Enter. The keys go
  // to the box itself, which holds the focus for its field.
  void TypeAndEnter(const QString& text) {
    PortList().lineEdit()->setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&PortList(), &press);
  }

  bool Searching() {
    return !bed.contact().IsIdle() && bed.contact().Current().Name() == "EstablishContactState";
  }

  test::LinkTestBed bed;
  test::RecordingListener portListener;
  PortPage* page;
  int listings = 0;  // how often the page read the system's list

 private:
  RecordingHelp help_;
  std::vector<std::string> systemPorts_;
  UiServices services_{bed.app, bed.prompts, bed.time, help_, [this] {
                         ++listings;
                         return systemPorts_;
                       }};
  QTabWidget sheet_;  // destroyed first: the page leaves its subscriptions while the model lives
};

// A stored port that is absent (an adapter not plugged in yet) is kept and shown in the field,
// though the list offers only what exists.
TEST(PortPageTest, SelectsTheStoredPortAndKeepsOneThatIsAbsent) {
  QTemporaryFile pseudoTerminal;  // stands in for a typed pseudo-terminal that still exists
  ASSERT_TRUE(pseudoTerminal.open());
  const std::string existing = pseudoTerminal.fileName().toStdString();

  struct Case {
    std::string stored;
    QString selected;
    QString field;
  };
  const Case cases[] = {
      {SimulatedLink::kPortName, SimulatedLink::kPortName, SimulatedLink::kPortName},
      // The first port beginning with the stored name, case aside.
      {"/DEV/TTYs", "/dev/ttyS0", "/dev/ttyS0"},
      {"/dev/serial/by-id/usb-FTDI-if00-port0", "", "/dev/serial/by-id/usb-FTDI-if00-port0"},
      {existing, QString::fromStdString(existing), QString::fromStdString(existing)},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    PortPageHarness harness(c.stored);
    // The system's list is read when the page is first shown, and only then.
    EXPECT_EQ(harness.listings, 0);
    harness.Show();
    harness.ShowOtherPage();
    harness.Show();
    EXPECT_EQ(harness.listings, 1);
    EXPECT_EQ(harness.Selected(), c.selected);
    EXPECT_EQ(harness.PortList().currentText(), c.field);
    EXPECT_EQ(harness.bed.app.port.Get(), c.stored);
    EXPECT_TRUE(harness.portListener.received.empty()) << "the stored choice is left alone";
    QStringList sorted = harness.Offered();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(harness.Offered(), sorted);
    EXPECT_TRUE(harness.Offered().contains("/dev/ttyS0"));
    EXPECT_FALSE(harness.Offered().contains("/dev/serial/by-id/usb-FTDI-if00-port0"));
    EXPECT_FALSE(harness.bed.app.portOpen.Get()) << "setting up the list tests nothing";
  }
}

TEST(PortPageTest, AnAbsentStoredPortStaysThroughARefreshAndATestReportsItMissing) {
  const std::string absent = "/dev/serial/by-id/usb-FTDI-if00-port0";
  PortPageHarness harness(absent);
  harness.Show();
  harness.Button("refreshPortList").click();
  harness.PortList().hidePopup();
  EXPECT_EQ(harness.PortList().currentText(), QString::fromStdString(absent));

  harness.Button("testCommunications").click();
  EXPECT_FALSE(harness.bed.app.portOpen.Get());
  EXPECT_EQ(harness.bed.app.port.Get(), absent);
  ASSERT_FALSE(harness.bed.status.statusLines.empty());
  EXPECT_EQ(harness.bed.status.statusLines.back(),
            "Unable to open serial port \"" + absent +
                "\". Error 0x00000002: The system cannot find the file specified.");
}

TEST(PortPageTest, APickStoresThePortAndTestsItAtOnce) {
  PortPageHarness harness("", {}, {"/dev/ttyS0", "/dev/ttyS1", SimulatedLink::kPortName});
  harness.Show();
  const int index = harness.PortList().findText(SimulatedLink::kPortName);
  emit harness.PortList().activated(index);

  EXPECT_EQ(harness.bed.app.port.Get(), SimulatedLink::kPortName);
  EXPECT_EQ(harness.portListener.received.size(), 1u);
  EXPECT_TRUE(harness.bed.app.portOpen.Get());
  EXPECT_TRUE(harness.Searching());
  ASSERT_TRUE(harness.bed.RunContactToEnd());
  EXPECT_EQ(harness.bed.app.deviceState.Get(), device_state::kOperating);
}

TEST(PortPageTest, ATypedPathConfirmedWithEnterIsPickedAndKeptInOrder) {
  PortPageHarness harness("", {}, {"/dev/ttyS0", "/dev/ttyUSB0"});
  harness.Show();
  harness.TypeAndEnter(SimulatedLink::kPortName);

  EXPECT_EQ(harness.Offered(),
            QStringList({"/dev/ttyS0", SimulatedLink::kPortName, "/dev/ttyUSB0"}));
  EXPECT_EQ(harness.Selected(), SimulatedLink::kPortName);
  EXPECT_EQ(harness.bed.app.port.Get(), SimulatedLink::kPortName);
  EXPECT_EQ(harness.portListener.received.size(), 1u) << "picked once";
  EXPECT_TRUE(harness.Searching());

  // Confirming a listed port by typing it picks that entry, without a copy of it.
  harness.TypeAndEnter("/dev/ttyS0");
  EXPECT_EQ(harness.Offered().count("/dev/ttyS0"), 1);
  EXPECT_EQ(harness.bed.app.port.Get(), "/dev/ttyS0");
}

TEST(PortPageTest, TestWithoutAPortAsksForOneAndDropsTheListDown) {
  PortPageHarness harness("");
  harness.Show();
  harness.Button("testCommunications").click();

  ASSERT_EQ(harness.bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(harness.bed.prompts.boxes[0].text, "Please choose a serial port on the Port page");
  EXPECT_EQ(harness.bed.prompts.boxes[0].caption, "Select a Serial Port");
  EXPECT_EQ(harness.bed.prompts.boxes[0].style, mb::kIconError);
  EXPECT_TRUE(harness.ListDroppedDown());
  EXPECT_TRUE(harness.bed.contact().IsIdle());
  harness.PortList().hidePopup();
}

TEST(PortPageTest, TellsTheOutcomeOfATestOnlyWhileItIsTheVisiblePage) {
  vlxsim::AmplifierConfig inLoader;
  inLoader.mode = vlxsim::PowerMode::kOff;
  struct Case {
    const char* name;
    vlxsim::AmplifierConfig config;
    bool visible;
    std::string text;
    std::uint32_t style;
  };
  const Case cases[] = {
      {"operating", {}, true, "VLX revision 01.23. RS-232 speed 38400 bit/s", mb::kIconInformation},
      {"in its loader", inLoader, true,
       "VLX waiting for power button or firmware load. RS-232 speed 38400 bit/s.",
       mb::kIconWarning},
      {"another page showing", {}, false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PortPageHarness harness(SimulatedLink::kPortName, c.config);
    harness.Show();
    if (!c.visible) {
      harness.ShowOtherPage();
    }
    harness.Button("testCommunications").click();
    ASSERT_TRUE(harness.bed.RunContactToEnd());

    if (c.visible) {
      ASSERT_EQ(harness.bed.prompts.boxes.size(), 1u);
      EXPECT_EQ(harness.bed.prompts.boxes[0].text, c.text);
      EXPECT_EQ(harness.bed.prompts.boxes[0].caption, "VLX Status");
      EXPECT_EQ(harness.bed.prompts.boxes[0].style, c.style);
    } else {
      EXPECT_TRUE(harness.bed.prompts.boxes.empty());
    }
  }
}

TEST(PortPageTest, TellsAnAmplifierThatStoppedAnswering) {
  PortPageHarness harness;
  harness.Show();
  harness.Button("testCommunications").click();
  ASSERT_TRUE(harness.bed.RunContactToEnd());
  harness.bed.prompts.boxes.clear();

  harness.bed.SilenceAmplifier();
  ASSERT_TRUE(harness.bed.contact().BeginQueryRevision());
  ASSERT_TRUE(harness.bed.RunContactToEnd());

  ASSERT_EQ(harness.bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(harness.bed.prompts.boxes[0].text, "VLX is not responding");
  EXPECT_EQ(harness.bed.prompts.boxes[0].style, mb::kIconError);
}

TEST(PortPageTest, RefreshDuringASearchClosesThePortAndEndsTheSearch) {
  PortPageHarness harness;
  harness.Show();
  harness.bed.SilenceAmplifier();
  harness.Button("testCommunications").click();
  harness.bed.time.RunFor(1000);
  ASSERT_TRUE(harness.Searching());

  harness.Button("refreshPortList").click();
  EXPECT_FALSE(harness.bed.app.portOpen.Get());
  EXPECT_FALSE(harness.bed.link.IsOpen());
  EXPECT_TRUE(harness.bed.contact().IsIdle());
  EXPECT_EQ(harness.bed.status.verboseLines.back(), "Serial port /dev/ttySIM0 is closed");
  EXPECT_EQ(harness.Selected(), SimulatedLink::kPortName) << "the selection survives the refill";
  EXPECT_TRUE(harness.ListDroppedDown());
  harness.PortList().hidePopup();

  const std::size_t sent = harness.bed.link.SentCommands().size();
  harness.bed.time.RunFor(10000);
  EXPECT_EQ(harness.bed.link.SentCommands().size(), sent) << "the search is over";
}

TEST(PortPageTest, ClosePortFollowsThePortOnlyWhileThePageShows) {
  PortPageHarness harness;
  QPushButton& closePort = harness.Button("closePort");
  harness.Show();
  EXPECT_FALSE(closePort.isEnabled()) << "the port is not open yet";

  harness.Button("testCommunications").click();
  EXPECT_TRUE(closePort.isEnabled());
  closePort.click();
  EXPECT_FALSE(harness.bed.app.portOpen.Get());
  EXPECT_FALSE(closePort.isEnabled());

  harness.ShowOtherPage();
  harness.bed.contact().BeginTestCommunications();
  ASSERT_TRUE(harness.bed.app.portOpen.Get());
  EXPECT_FALSE(closePort.isEnabled()) << "keeps the last state it was told while hidden";

  harness.Show();
  EXPECT_TRUE(closePort.isEnabled()) << "told the port's state again when shown";
}

}  // namespace
}  // namespace vlx
