// The Operate page: its displays and fonts from the model, the enabling rules per device state,
// the lit lamps and the fault colour, the focus it opens with; and in the main window, polling
// that follows the tab, waits for the contact search, resumes after a lost amplifier and carries
// the presses.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <functional>
#include <string>

#include "UiServices.h"
#include "WindowTestBed.h"
#include "help/HelpService.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "operate/TelemetryPlot.h"
#include "operate/TelemetryRecorder.h"
#include "pages/OperatePage.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"
#include "support/MemoryTelemetryFiles.h"

namespace vlx {
namespace {

class NoHelp final : public HelpService {
 public:
  void ShowHelp(QWidget*, const QString&) override {}
};

// The page alone in a sheet beside another tab, over an amplifier the contact search found.
class OperatePageTest : public ::testing::Test {
 protected:
  OperatePageTest() {
    bed.OpenPortAsContactLeavesIt();
    bed.app.SetDeviceState(device_state::kOperating);
    page = new OperatePage(services, recorder);
    sheet.addTab(page, page->Caption());
    sheet.addTab(new QWidget, QStringLiteral("Other"));
  }

  template <typename W>
  W& Child(const char* name) {
    auto* widget = page->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return *widget;
  }
  QString Text(const char* field) { return Child<QLineEdit>(field).text(); }

  test::LinkTestBed bed;
  NoHelp help;
  UiServices services{bed.app, bed.app.Boxes(), bed.time, help, {}, {}};
  test::MemoryOpener telemetryFiles;
  TelemetryRecorder recorder{bed.time, bed.files, telemetryFiles};
  QTabWidget sheet;
  OperatePage* page = nullptr;
};

struct DisplayCase {
  const char* label;
  std::function<void(AppSettings&)> publish;
  const char* field;
  const char* text;
};

class OperatePageDisplay : public OperatePageTest,
                           public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(OperatePageDisplay, ShowsTheValueInItsFormat) {
  sheet.show();
  GetParam().publish(bed.app);
  EXPECT_EQ(Text(GetParam().field).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, OperatePageDisplay,
    ::testing::Values(
        DisplayCase{"PaVoltage724", [](AppSettings& a) { a.paVoltage.Publish(724); }, "paVoltage",
                    "72.4 V"},
        DisplayCase{"PaCurrent5", [](AppSettings& a) { a.paCurrent.Publish(5); }, "paCurrent",
                    "0.5 A"},
        DisplayCase{"Swr10", [](AppSettings& a) { a.swr.Publish(10); }, "swr", "1.0"},
        DisplayCase{"Temperature35", [](AppSettings& a) { a.temperature.Publish(35); },
                    "temperature", "35 C"},
        DisplayCase{"Power0", [](AppSettings& a) { a.power.Publish(0); }, "power", "0 W"},
        DisplayCase{"Power1500", [](AppSettings& a) { a.power.Publish(1500); }, "power", "1500 W"},
        DisplayCase{"Band5", [](AppSettings& a) { a.band.Publish(5); }, "band", "14 MHz"},
        DisplayCase{"Band2", [](AppSettings& a) { a.band.Publish(2); }, "band", "5 MHz"},
        DisplayCase{"Band10", [](AppSettings& a) { a.band.Publish(10); }, "band", "50 MHz"},
        DisplayCase{"Band11KeepsTheLastBand",
                    [](AppSettings& a) {
                      a.band.Publish(7);
                      a.band.Publish(11);
                    },
                    "band", "21 MHz"},
        DisplayCase{"NoFaultIsEmpty",
                    [](AppSettings& a) {
                      a.currentFault.Publish(0x24);
                      a.currentFault.Publish(0);
                    },
                    "currentFault", ""},
        DisplayCase{"FaultFF", [](AppSettings& a) { a.currentFault.Publish(0xFF); }, "currentFault",
                    "FF NO FAULT"},
        DisplayCase{"FaultByItsLowFourBits", [](AppSettings& a) { a.currentFault.Publish(0x24); },
                    "currentFault", "04 HI TEMP"}),
    test::ByLabel{});

TEST_F(OperatePageTest, TheSelectedBandButtonIsBoldAndLarger) {
  sheet.show();
  bed.app.band.Publish(5);
  auto& fourteen = Child<QPushButton>("band5");
  EXPECT_EQ(fourteen.text(), "14");
  EXPECT_EQ(fourteen.font().weight(), QFont::Black);
  EXPECT_EQ(fourteen.font().pointSize(), 12);
  bed.app.band.Publish(2);
  EXPECT_EQ(fourteen.font().weight(), QFont::Normal);
  EXPECT_EQ(fourteen.font().pointSize(), 10);
  EXPECT_EQ(Child<QPushButton>("band2").font().weight(), QFont::Black);
  EXPECT_EQ(Child<QPushButton>("band2").text(), "5");
}

TEST_F(OperatePageTest, NumericDisplaysGoToTheStatusLineWhileTraceIsOn) {
  sheet.show();
  bed.app.paVoltage.Publish(724);
  EXPECT_TRUE(bed.status.statusLines.empty());
  bed.app.trace.Set(1);
  bed.app.paVoltage.Publish(725);
  bed.app.swr.Publish(15);
  bed.app.band.Publish(3);  // not one of the five
  EXPECT_EQ(bed.status.statusLines, (std::vector<std::string>{"72.5 V", "1.5"}));
}

struct EnablingCase {
  const char* label;
  std::uint32_t deviceState;
  std::uint32_t operateMode;
  bool controls;  // bands, Clear, OPER/STBY and the readings
  bool operLit;
  bool stbyLit;
  bool onOff;
  const char* onOffCaption;
  const char* operateStandbyCaption;
};

class OperatePageEnabling : public OperatePageTest,
                            public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(OperatePageEnabling, FollowsTheDeviceStateAndMode) {
  const EnablingCase& c = GetParam();
  sheet.show();
  bed.app.operateMode.Publish(c.operateMode);
  bed.app.SetDeviceState(c.deviceState);
  for (const char* name :
       {"band0", "band10", "clearFault", "operateStandby", "paVoltage", "currentFault"}) {
    EXPECT_EQ(page->findChild<QWidget*>(name)->isEnabled(), c.controls) << name;
  }
  EXPECT_EQ(Child<QLabel>("operLamp").isEnabled(), c.operLit);
  EXPECT_EQ(Child<QLabel>("stbyLamp").isEnabled(), c.stbyLit);
  EXPECT_EQ(Child<QPushButton>("onOff").isEnabled(), c.onOff);
  EXPECT_EQ(Child<QPushButton>("onOff").text().toStdString(), c.onOffCaption);
  EXPECT_EQ(Child<QPushButton>("operateStandby").text().toStdString(), c.operateStandbyCaption);
}

INSTANTIATE_TEST_SUITE_P(
    States, OperatePageEnabling,
    ::testing::Values(
        EnablingCase{"OperatingInOperate", 3, 1, true, true, false, true, "OFF", "Standby"},
        EnablingCase{"OperatingInStandby", 3, 0, true, false, true, true, "OFF", "Operate"},
        EnablingCase{"WaitingInLoader", 2, 1, false, false, false, true, "ON", "Standby"},
        EnablingCase{"NotResponding", 0, 0, false, false, false, false, "ON", "Operate"}),
    test::ByLabel{});

TEST_F(OperatePageTest, FocusStartsOnOperStbyAndLeavesAControlBeingDisabled) {
  sheet.setCurrentIndex(1);
  sheet.show();
  sheet.setCurrentIndex(0);
  auto& operateStandby = Child<QPushButton>("operateStandby");
  EXPECT_EQ(sheet.window()->focusWidget(), &operateStandby);

  bed.app.SetDeviceState(device_state::kWaitingInLoader);
  const QWidget* focus = sheet.window()->focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_TRUE(focus->isEnabled());
  EXPECT_EQ(focus, &Child<QPushButton>("onOff"));
}

TEST_F(OperatePageTest, PollIntervalWritesTheSettingWithinItsBounds) {
  auto& interval = Child<QSpinBox>("pollInterval");
  EXPECT_EQ(interval.value(), 1000);
  interval.setValue(250);
  EXPECT_EQ(bed.app.operatePollInterval.Get(), 250u);
  interval.setValue(50);
  EXPECT_EQ(bed.app.operatePollInterval.Get(), 100u);
  interval.setValue(40000);
  EXPECT_EQ(bed.app.operatePollInterval.Get(), 30000u);
}

QRgb CentrePixel(QWidget& widget) {
  const QImage image = widget.grab().toImage();
  return image.pixel(image.width() / 2, 2);
}

bool Reddish(QRgb c) {
  return qRed(c) > 150 && qGreen(c) < 80 && qBlue(c) < 80;
}

TEST_F(OperatePageTest, LitLampsAndAFaultAreColoured) {
  sheet.resize(800, 500);
  sheet.show();
  bed.app.operateMode.Publish(1);
  const QRgb oper = CentrePixel(Child<QLabel>("operLamp"));
  EXPECT_GT(qGreen(oper), 100);
  EXPECT_LT(qRed(oper), 100);
  bed.app.operateMode.Publish(0);
  const QRgb stby = CentrePixel(Child<QLabel>("stbyLamp"));
  EXPECT_GT(qRed(stby), 200);
  EXPECT_GT(qGreen(stby), 120);
  EXPECT_LT(qBlue(stby), 80);
  // Unlit, the lamp has no colour of its own.
  EXPECT_FALSE(Reddish(CentrePixel(Child<QLabel>("operLamp"))));
  EXPECT_LT(
      qGreen(CentrePixel(Child<QLabel>("operLamp"))) - qRed(CentrePixel(Child<QLabel>("operLamp"))),
      40);

  auto& fault = Child<QLineEdit>("currentFault");
  bed.app.currentFault.Publish(0x24);
  EXPECT_TRUE(Reddish(CentrePixel(fault)));
  bed.app.currentFault.Publish(0xFF);
  EXPECT_FALSE(Reddish(CentrePixel(fault)));
  bed.app.currentFault.Publish(0x09);
  EXPECT_TRUE(Reddish(CentrePixel(fault)));
  EXPECT_TRUE(sheet.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/operate-page.png")));
  bed.app.currentFault.Publish(0);
  EXPECT_FALSE(Reddish(CentrePixel(fault)));
}

// The page in the main window, polling the simulated amplifier through the poller.
class OperatePageInTheWindow : public ::testing::Test {
 protected:
  static constexpr int kOperatePage = 2;

  OperatePageInTheWindow() { bed.store.PutString("Port", test::SimulatedLink::kPortName); }

  MainWindow& Open() {
    MainWindow& window = bed.Open();
    window.show();
    return window;
  }
  OperatePage& Page() { return static_cast<OperatePage&>(bed.window->PageAt(kOperatePage)); }
  template <typename W>
  W& Child(const char* name) {
    auto* widget = Page().findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return *widget;
  }
  std::vector<std::string> Sent() const { return bed.link.SentTexts(); }
  // Runs until the program has sent `command` for the `count`th time since `from` sends.
  bool RunUntilSentAgain(const std::string& command, std::size_t from, std::uint32_t limitMs) {
    return bed.time.RunUntil(
        [&] {
          const std::vector<std::string> sent = Sent();
          return std::find(sent.begin() + static_cast<std::ptrdiff_t>(from), sent.end(), command) !=
                 sent.end();
        },
        limitMs);
  }
  // Found, on the Operate page, and one whole cycle done.
  void PollingOnThePage() {
    Open();
    ASSERT_TRUE(bed.RunContactToEnd());
    bed.window->Pages().setCurrentIndex(kOperatePage);
    ASSERT_TRUE(RunUntilSentAgain("^vi;", 0, 2000));
    ASSERT_TRUE(bed.time.RunUntil([&] { return bed.app.TransientMachine()->IsIdle(); }, 2000));
  }

  test::WindowTestBed bed;
};

TEST_F(OperatePageInTheWindow, LeavingThePageReleasesTheMachineAndComingBackStartsAfresh) {
  PollingOnThePage();
  EXPECT_TRUE(Page().Poller().HasMachine());
  const Machine* first = bed.app.TransientMachine();

  bed.window->Pages().setCurrentIndex(0);
  EXPECT_FALSE(Page().Poller().IsRunning());
  EXPECT_FALSE(Page().Poller().HasMachine());
  const std::size_t sends = Sent().size();
  bed.time.RunUntil([] { return false; }, 5000);
  EXPECT_EQ(Sent().size(), sends) << "nothing polls while another page shows";

  bed.window->Pages().setCurrentIndex(kOperatePage);
  EXPECT_TRUE(Page().Poller().HasMachine());
  EXPECT_NE(bed.app.TransientMachine(), first);
  EXPECT_TRUE(RunUntilSentAgain("^bn;", sends, 100));
}

TEST_F(OperatePageInTheWindow, MinimisingKeepsPolling) {
  PollingOnThePage();
  bed.window->showMinimized();
  EXPECT_TRUE(Page().Poller().IsRunning());
  const std::size_t sends = Sent().size();
  EXPECT_TRUE(RunUntilSentAgain("^bn;", sends, 1100));
}

// At start-up on the Operate page the contact search has the line to itself; the first cycle
// follows the device state the search ends with.
TEST_F(OperatePageInTheWindow, StartingOnThePageWaitsForTheContactSearch) {
  bed.store.PutDword("ActivePage", kOperatePage);
  Open();
  ASSERT_EQ(bed.window->Pages().currentIndex(), kOperatePage);
  bool overlapped = false;
  ASSERT_TRUE(bed.time.RunUntil(
      [&] {
        const Machine* polling = bed.app.TransientMachine();
        overlapped |= polling != nullptr && !polling->IsIdle() && !bed.contact().IsIdle();
        return bed.contact().IsIdle();
      },
      60000));
  EXPECT_FALSE(overlapped);
  ASSERT_EQ(bed.app.deviceState.Get(), device_state::kOperating);
  ASSERT_TRUE(RunUntilSentAgain("^vi;", 0, 1000));
  const std::vector<std::string> sent = Sent();
  const auto serialNumber = std::find(sent.begin(), sent.end(), "^sn;");
  ASSERT_NE(serialNumber, sent.end());
  EXPECT_EQ(std::find(sent.begin(), serialNumber, "^bn;"), serialNumber);
  EXPECT_EQ(*(serialNumber + 1), "^bn;");
}

// A front panel left open through a power blink comes back by itself.
TEST_F(OperatePageInTheWindow, PollingResumesWhenTheAmplifierAnswersAgain) {
  PollingOnThePage();
  bed.link.SetFaults(test::LinkTestBed::SilentAmplifier().faults);
  ASSERT_TRUE(bed.time.RunUntil(
      [&] { return bed.app.deviceState.Get() == device_state::kNotResponding; }, 30000));
  EXPECT_FALSE(Child<QPushButton>("band5").isEnabled());
  EXPECT_FALSE(Child<QPushButton>("onOff").isEnabled());
  EXPECT_EQ(Child<QPushButton>("onOff").text(), "ON");
  bed.time.RunUntil([] { return false; }, 3000);

  bed.link.SetFaults({});
  ASSERT_TRUE(bed.time.RunUntil(
      [&] { return bed.app.deviceState.Get() == device_state::kOperating; }, 30000));
  const std::size_t found = Sent().size();
  EXPECT_EQ(bed.window->Pages().currentIndex(), kOperatePage);
  EXPECT_TRUE(RunUntilSentAgain("^vi;", found, 1000));
  EXPECT_TRUE(Child<QPushButton>("band5").isEnabled());
  EXPECT_EQ(Child<QPushButton>("onOff").text(), "OFF");
}

TEST_F(OperatePageInTheWindow, PressingABandSendsItInTheCycleThatStartsAtOnce) {
  PollingOnThePage();
  const std::size_t sends = Sent().size();
  Child<QPushButton>("band7").click();
  ASSERT_TRUE(RunUntilSentAgain("^vi;", sends, 500));
  EXPECT_EQ(Sent()[sends], "^bn07;^bn;");
  EXPECT_EQ(bed.app.band.Get(), 7u);
  EXPECT_EQ(Child<QLineEdit>("band").text(), "21 MHz");
}

// Requests held while the contact search has the line are dropped by OFF, which goes out alone.
TEST_F(OperatePageInTheWindow, OffDropsTheRequestsHeldWithIt) {
  PollingOnThePage();
  ASSERT_TRUE(bed.contact().BeginQueryRevision());
  const std::size_t sends = Sent().size();
  Child<QPushButton>("band7").click();
  Child<QPushButton>("clearFault").click();
  Child<QPushButton>("onOff").click();
  ASSERT_TRUE(RunUntilSentAgain("^on0;", sends, 3000));
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.app.TransientMachine()->IsIdle(); }, 10000));
  for (const std::string& sent : Sent()) {
    EXPECT_EQ(sent.find("^bn07;"), std::string::npos);
    EXPECT_EQ(sent.find("^flc;"), std::string::npos);
  }
  EXPECT_EQ(bed.app.deviceState.Get(), device_state::kWaitingInLoader);
  EXPECT_EQ(Child<QPushButton>("onOff").text(), "ON");
  EXPECT_TRUE(Child<QPushButton>("onOff").isEnabled());
  EXPECT_FALSE(Child<QPushButton>("band7").isEnabled());
}

}  // namespace
}  // namespace vlx
