// The Operate page: its displays and fonts from the model, the enabling rules per device state,
// the lit lamps and the fault colour, the focus it opens with; and in the main window, polling
// that follows the tab, waits for the contact search, resumes after a lost amplifier and carries
// the presses.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
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
#include "faults/FaultRecord.h"
#include "help/HelpService.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "operate/TelemetryHistory.h"
#include "operate/TelemetryPlot.h"
#include "operate/TelemetryRecorder.h"
#include "pages/OperatePage.h"
#include "report/ErrorCode.h"
#include "report/OperateTextIds.h"
#include "report/TextFormat.h"
#include "support/CaseNames.h"
#include "support/LinkTestBed.h"
#include "support/MemoryTelemetryFiles.h"
#include "support/ui/WindowTestBed.h"

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

TEST_F(OperatePageTest, PlotSpanAndVisibilityAreWrittenAndApplied) {
  sheet.show();
  auto& plot = Child<TelemetryPlot>("telemetryPlot");
  auto& span = Child<QComboBox>("plotSpan");
  EXPECT_EQ(span.currentText(), "5 min");
  EXPECT_FALSE(plot.isHidden());
  span.setCurrentIndex(span.findData(15u));
  emit span.activated(span.currentIndex());
  EXPECT_EQ(bed.app.operatePlotMinutes.Get(), 15u);
  EXPECT_EQ(plot.SpanMinutes(), 15u);
  Child<QCheckBox>("plotVisible").setChecked(false);
  EXPECT_EQ(bed.app.operatePlotVisible.Get(), 0u);
  EXPECT_TRUE(plot.isHidden());
}

class OperatePageLog : public OperatePageTest {
 protected:
  static constexpr const char* kFolder = "/home/user/.local/share/Velqorin/VLX Telemetry";
  static constexpr const char* kPath = "/home/user/.local/share/Velqorin/VLX Telemetry/run.csv";

  OperatePageLog() {
    bed.files.userDataFolder = "/home/user/.local/share";
    bed.files.AddDirectory(bed.files.userDataFolder);
    bed.app.serialNumber.Set(1234);
    sheet.show();
  }
  void StartLog() {
    bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, kPath});
    Child<QPushButton>("logButton").click();
  }
  TelemetrySample Sample() {
    TelemetrySample sample;
    sample.time = bed.time.Now();
    sample.tick = bed.time.TickCount();
    sample.deviceState = device_state::kOperating;
    return sample;
  }
};

TEST_F(OperatePageLog, StartsInTheTelemetryFolderCountsItsRowsAndStops) {
  auto& button = Child<QPushButton>("logButton");
  EXPECT_EQ(button.text(), "Start Log...");
  StartLog();
  ASSERT_EQ(bed.prompts.fileBoxes.size(), 1u);
  const FileBoxRequest& box = bed.prompts.fileBoxes[0].request;
  EXPECT_EQ(box.folder, kFolder);
  EXPECT_TRUE(bed.files.IsDirectory(kFolder)) << "made on first use";
  EXPECT_EQ(box.proposedName.rfind("SN01234.", 0), 0u) << box.proposedName;
  EXPECT_EQ(box.defaultExtension, "csv");
  EXPECT_EQ(box.filter, "VLX Telemetry Log (*.csv)|*.csv|All files (*.*)|*.*|");

  EXPECT_EQ(button.text(), "Stop Log");
  EXPECT_EQ(Child<QLabel>("logFile").text(), "run.csv");
  EXPECT_EQ(Child<QLabel>("logRows").text(), "0 rows");
  recorder.OnSample(Sample());
  recorder.OnSample(Sample());
  EXPECT_EQ(Child<QLabel>("logRows").text(), "2 rows");

  button.click();
  EXPECT_FALSE(recorder.Logging());
  EXPECT_EQ(button.text(), "Start Log...");
  EXPECT_TRUE(Child<QLabel>("logRows").text().isEmpty());
  recorder.OnSample(Sample());
  const std::string& bytes = telemetryFiles.files[kPath].bytes;
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3) << "header and two rows";
}

TEST_F(OperatePageLog, CancellingTheBoxStartsNothing) {
  Child<QPushButton>("logButton").click();
  EXPECT_FALSE(recorder.Logging());
  EXPECT_EQ(Child<QPushButton>("logButton").text(), "Start Log...");
}

TEST_F(OperatePageLog, AFailingWriteStopsTheLogAndSaysSo) {
  StartLog();
  recorder.OnSample(Sample());
  telemetryFiles.files[kPath].failAppend = err::kDiskFull;
  telemetryFiles.files[kPath].bytesBeforeFailure = 5;
  recorder.OnSample(Sample());
  const std::string said = TelemetryLogStoppedText(kPath, err::kDiskFull);
  ASSERT_FALSE(bed.status.statusLines.empty());
  EXPECT_EQ(bed.status.statusLines.back(), said);
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].text, said);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Telemetry Log");
  EXPECT_EQ(Child<QPushButton>("logButton").text(), "Start Log...");
}

TEST_F(OperatePageLog, AFileThatCannotBeCreatedIsSaid) {
  telemetryFiles.createError = err::kAccessDenied;
  StartLog();
  EXPECT_FALSE(recorder.Logging());
  ASSERT_EQ(bed.prompts.boxes.size(), 1u);
  EXPECT_EQ(bed.prompts.boxes[0].caption, "Telemetry Log");
  EXPECT_NE(bed.prompts.boxes[0].text.find(kPath), std::string::npos);
  EXPECT_EQ(bed.status.statusLines.back(), bed.prompts.boxes[0].text);
  EXPECT_EQ(Child<QPushButton>("logButton").text(), "Start Log...");
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

// Whether the column of the plot's PA voltage strip (a line that moves in standby too) holds one
// colour only: nothing drawn there.
bool NothingDrawnAt(const QImage& image, const TelemetryPlot& plot, int x) {
  const QRect strip = plot.StripRect(3);
  for (int y = strip.top() + 1; y < strip.bottom(); ++y) {
    if (image.pixel(x, y) != image.pixel(x, strip.top() + 1)) {
      return false;
    }
  }
  return true;
}

// A front panel left open through a power blink comes back by itself; the plot and the log keep
// the loss as a gap and a failed row.
TEST_F(OperatePageInTheWindow, PollingResumesWhenTheAmplifierAnswersAgain) {
  PollingOnThePage();
  bed.time.RunUntil([] { return false; }, 20000);
  const TelemetryHistory& history = bed.window->Telemetry().History();
  const std::uint32_t lastGood = history.Latest()->sample.tick;
  bed.link.SetFaults(test::LinkTestBed::SilentAmplifier().faults);
  ASSERT_TRUE(bed.time.RunUntil(
      [&] { return bed.app.deviceState.Get() == device_state::kNotResponding; }, 30000));
  EXPECT_FALSE(Child<QPushButton>("band5").isEnabled());
  EXPECT_FALSE(Child<QPushButton>("onOff").isEnabled());
  EXPECT_EQ(Child<QPushButton>("onOff").text(), "ON");
  EXPECT_NE(history.Latest()->sample.error, err::kSuccess) << "the failed run is recorded";
  bed.time.RunUntil([] { return false; }, 10000);

  bed.link.SetFaults({});
  ASSERT_TRUE(bed.time.RunUntil(
      [&] { return bed.app.deviceState.Get() == device_state::kOperating; }, 30000));
  const std::size_t found = Sent().size();
  EXPECT_EQ(bed.window->Pages().currentIndex(), kOperatePage);
  EXPECT_TRUE(RunUntilSentAgain("^vi;", found, 1000));
  EXPECT_TRUE(Child<QPushButton>("band5").isEnabled());
  EXPECT_EQ(Child<QPushButton>("onOff").text(), "OFF");
  bed.time.RunUntil([] { return false; }, 20000);
  EXPECT_FALSE(history.Latest()->sample.error);

  bed.window->resize(900, 640);
  auto& plot = Child<TelemetryPlot>("telemetryPlot");
  const QImage image = plot.grab().toImage();
  const int before = plot.ColumnOf(lastGood);
  ASSERT_GT(before, 0);
  EXPECT_FALSE(NothingDrawnAt(image, plot, before - 3)) << "a line before the loss";
  EXPECT_TRUE(NothingDrawnAt(image, plot, before + 6)) << "a gap while the amplifier was lost";
  EXPECT_TRUE(bed.window->grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/operate-page.png")));
}

// The log belongs to the window: it goes on across tab switches, rows resuming with polling, and
// is closed when the window closes.
TEST_F(OperatePageInTheWindow, TheLogOutlivesTabSwitchesAndClosesWithTheWindow) {
  PollingOnThePage();
  bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, "/home/user/t.csv"});
  Child<QPushButton>("logButton").click();
  TelemetryRecorder& telemetry = bed.window->Telemetry();
  ASSERT_TRUE(telemetry.Logging());
  bed.time.RunUntil([] { return false; }, 3500);
  const std::uint64_t rows = telemetry.LogRows();
  EXPECT_GE(rows, 3u);

  bed.window->Pages().setCurrentIndex(0);
  bed.time.RunUntil([] { return false; }, 5000);
  EXPECT_TRUE(telemetry.Logging());
  EXPECT_EQ(telemetry.LogRows(), rows);
  bed.window->Pages().setCurrentIndex(kOperatePage);
  bed.time.RunUntil([] { return false; }, 2500);
  EXPECT_GT(telemetry.LogRows(), rows);
  EXPECT_EQ(Child<QLabel>("logRows").text().toStdString(),
            std::to_string(telemetry.LogRows()) + " rows");

  bed.window->close();
  EXPECT_FALSE(telemetry.Logging());
  EXPECT_FALSE(Page().Poller().IsRunning());
}

// A log with a name longer than the room, at the least window size and at 1024x600: every
// control of the page keeps its whole text; only the file name is cut, in the middle, with the
// full path as its tooltip.
TEST_F(OperatePageInTheWindow, WhileALogRunsEveryControlKeepsItsWholeText) {
  PollingOnThePage();
  const std::string path =
      "/home/user/.local/share/Velqorin/VLX Telemetry/SN01234.20261211T054200 the evening "
      "contest on 40 and 80 metres with the new vertical antenna and the old tuner.csv";
  bed.prompts.fileAnswers.push_back({FileBoxEnd::kChosen, path});
  Child<QPushButton>("logButton").click();
  ASSERT_TRUE(bed.window->Telemetry().Logging());
  bed.time.RunUntil([] { return false; }, 3000);
  const QString name = QFileInfo(QString::fromStdString(path)).fileName();

  const std::pair<const char*, QSize> sizes[] = {{"minimum", bed.window->minimumSize()},
                                                 {"1024x600", QSize(1024, 600)}};
  for (const auto& [label, size] : sizes) {
    bed.window->resize(size);
    QApplication::processEvents();
    for (const char* control : {"pollEvery", "pollInterval", "pollUnit", "plotSpanCaption",
                                "plotSpan", "plotVisible", "logButton", "logRows"}) {
      const auto& widget = Child<QWidget>(control);
      EXPECT_TRUE(widget.isVisible()) << control;
      EXPECT_GE(widget.width(), widget.sizeHint().width()) << label << ": " << control;
    }
    const auto& file = Child<QLabel>("logFile");
    EXPECT_EQ(file.text(),
              file.fontMetrics().elidedText(name, Qt::ElideMiddle, file.contentsRect().width()))
        << label;
    EXPECT_EQ(file.toolTip().toStdString(), path);
    EXPECT_TRUE(Child<QLabel>("logRows").text().endsWith(" rows"));
    EXPECT_TRUE(bed.window->grab().save(
        QStringLiteral(UI_SCREENSHOT_DIR "/operate-log-%1.png").arg(QString::fromUtf8(label))));
  }
  // At the least size the name is cut, keeping its start and its end.
  bed.window->resize(bed.window->minimumSize());
  QApplication::processEvents();
  const QString shown = Child<QLabel>("logFile").text();
  EXPECT_NE(shown, name);
  EXPECT_TRUE(shown.startsWith("SN01234.")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("tuner.csv")) << shown.toStdString();
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

// OPER/STBY against a held fault: the status line says which fault keeps the amplifier in standby
// and that Clear comes first, and goes on saying it through the following polls.
TEST_F(OperatePageInTheWindow, OperateRefusedForAHeldFaultSaysWhyInTheStatusLine) {
  PollingOnThePage();
  ASSERT_TRUE(bed.amplifier.Trip(0x9, 0));
  ASSERT_TRUE(bed.time.RunUntil([&] { return HoldsFault(bed.app.currentFault.Get()); }, 3000));
  const std::string said =
      FormatText(ids::kOperateRefusedForFault, {CurrentFaultText(bed.app.currentFault.Get())});
  EXPECT_EQ(said.rfind("The VLX stays in standby while it holds fault 09 ", 0), 0u) << said;
  EXPECT_NE(bed.window->StatusBarText().toStdString(), said);

  const std::size_t sends = Sent().size();
  Child<QPushButton>("operateStandby").click();
  ASSERT_TRUE(RunUntilSentAgain("^os1;^os;", sends, 2000));
  ASSERT_TRUE(bed.time.RunUntil([&] { return bed.app.TransientMachine()->IsIdle(); }, 1000));
  EXPECT_EQ(bed.window->StatusBarText().toStdString(), said);
  bed.time.RunFor(2500);
  EXPECT_EQ(bed.window->StatusBarText().toStdString(), said) << "not overwritten by the next poll";
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
