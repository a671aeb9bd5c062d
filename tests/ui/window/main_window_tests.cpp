// The main window: start-up and shut-down order, title and status line, start page, size rules,
// routing and the status channels.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <iterator>
#include <optional>

#include "model/WindowPlacement.h"
#include "pages/Page.h"
#include "support/CaseNames.h"
#include "support/ui/WindowTestBed.h"
#include "window/WindowFit.h"

namespace vlx::test {
namespace {

const std::string kIdentity = "Velqorin VLX Utility Revision 1.0.0.0";

WindowPlacement StoredPlacement(const QRect& normal) {
  WindowPlacement placement;
  placement.showCmd = 1;
  placement.left = normal.left();
  placement.top = normal.top();
  placement.right = normal.left() + normal.width();
  placement.bottom = normal.top() + normal.height();
  return placement;
}

QRect NormalRectangle(const WindowPlacement& placement) {
  return {QPoint(placement.left, placement.top),
          QSize(placement.right - placement.left, placement.bottom - placement.top)};
}

QString LogText(MainWindow& window) {
  return window.PageAt(MainWindow::kFirmwarePageIndex)
      .findChild<QPlainTextEdit*>("activityLog")
      ->toPlainText();
}

TEST(MainWindow, FirstRunShowsThePortPageAndTheClosedPort) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();

  EXPECT_EQ(window.Pages().currentIndex(), MainWindow::kPortPageIndex);
  EXPECT_EQ(window.windowTitle().toStdString(), kIdentity);
  EXPECT_EQ(window.StatusBarText(), "Serial Port is closed");
  const std::vector<QString> captions = {"Port", "Firmware", "Operate", "Configuration",
                                         "Command Tester"};
  ASSERT_EQ(window.Pages().count(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(window.Pages().tabText(i), captions[static_cast<std::size_t>(i)]);
  }
  window.show();
  EXPECT_EQ(bed.app.mainWindowReady.Get(), 1u);
}

// Shown with the window, the start page belongs to start-up: the Firmware page looks at its
// folder but leaves the search the window has just started alone. Shown again later, it checks
// the revision with the amplifier.
TEST(MainWindow, TheFirmwareStartPageLeavesTheStartUpSearchAlone) {
  WindowTestBed bed;
  bed.store.PutString("Port", SimulatedLink::kPortName);
  bed.store.PutDword("ActivePage", MainWindow::kFirmwarePageIndex);
  MainWindow& window = bed.Open();
  window.show();
  EXPECT_EQ(bed.link.Opens(), 1u);
  EXPECT_EQ(bed.app.mainWindowReady.Get(), 1u);

  window.Pages().setCurrentIndex(MainWindow::kPortPageIndex);
  window.Pages().setCurrentIndex(MainWindow::kFirmwarePageIndex);
  EXPECT_EQ(bed.link.Opens(), 2u);
}

TEST(MainWindow, ClosingWritesWhatChangedThePageShownLastAndThePlacement) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.show();
  window.Pages().setCurrentIndex(3);
  window.close();

  ASSERT_TRUE(bed.store.Read("", "ActivePage"));
  EXPECT_EQ(bed.store.Read("", "ActivePage")->number, 3u);
  EXPECT_EQ(bed.store.Read("", "CommandCaption16")->text, "Macro 16");
  EXPECT_EQ(bed.store.Read("", "FirmwareFolder")->text,
            "/home/user/.local/share/Velqorin/VLX Firmware");
  EXPECT_FALSE(bed.store.Read("", "OperatePollInterval"));  // unchanged defaults stay unwritten
  EXPECT_TRUE(RestoreWindowPlacement(bed.store).has_value());
}

// Pages the user has not opened yet cost the start-up nothing: their controls come with their
// first show.
TEST(MainWindow, BuildsAPagesControlsWhenThePageIsFirstShown) {
  WindowTestBed bed;
  bed.store.PutString("Port", SimulatedLink::kPortName);
  bed.store.PutDword("ActivePage", MainWindow::kFirmwarePageIndex);
  MainWindow& window = bed.Open();
  window.show();
  const std::pair<int, const char*> pages[] = {
      {0, "portList"}, {2, "telemetryPlot"}, {3, "saveConfigurationButton"}, {4, "testerOutput"}};
  for (const auto& [index, control] : pages) {
    SCOPED_TRACE(control);
    EXPECT_EQ(window.PageAt(index).findChild<QWidget*>(control), nullptr);
    window.Pages().setCurrentIndex(index);
    const QWidget* built = window.PageAt(index).findChild<QWidget*>(control);
    ASSERT_NE(built, nullptr);
    EXPECT_TRUE(built->isVisible());
  }
}

struct StartPageCase {
  const char* label;
  std::uint32_t storedPage;
  std::string port;
  int expected;
};

class StartPage : public ::testing::TestWithParam<StartPageCase> {};

TEST_P(StartPage, IsTheStoredPageOnlyOnceAPortIsChosen) {
  WindowTestBed bed;
  bed.store.PutDword("ActivePage", GetParam().storedPage);
  if (!GetParam().port.empty()) {
    bed.store.PutString("Port", GetParam().port);
  }
  EXPECT_EQ(bed.Open().Pages().currentIndex(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartPage,
    ::testing::Values(StartPageCase{"StoredPageWithPort", 2, SimulatedLink::kPortName, 2},
                      StartPageCase{"NoPortChosen", 2, "", 0},
                      StartPageCase{"StoredPageOutOfRange", 5, SimulatedLink::kPortName, 0}),
    ByLabel{});

TEST(MainWindow, FindsTheAmplifierAtStartAndShowsItInTitleAndStatusLine) {
  vlxsim::AmplifierConfig config;
  config.serialNumber = 123;
  WindowTestBed bed(config);
  bed.store.PutString("Port", SimulatedLink::kPortName);
  MainWindow& window = bed.Open();
  ASSERT_TRUE(bed.RunContactToEnd());

  EXPECT_EQ(window.windowTitle().toStdString(),
            kIdentity + " - S/N 00123 on /dev/ttySIM0 at 38400 bit/s");
  EXPECT_EQ(window.StatusBarText(), "VLX revision 01.23. RS-232 speed 38400 bit/s");

  bed.app.EstablishContact().BeginClosePort();
  EXPECT_EQ(window.windowTitle().toStdString(), kIdentity + " on /dev/ttySIM0 closed");
  EXPECT_EQ(window.StatusBarText(), "Serial Port is closed");
}

// Pulled out, the adapter's port shows closed with the loss in the status bar; put back, the
// window finds the amplifier again by itself.
TEST(MainWindow, APortThatGoesAwayShowsClosedAndIsFoundAgainWhenBack) {
  WindowTestBed bed;
  bed.store.PutString("Port", SimulatedLink::kPortName);
  MainWindow& window = bed.Open();
  ASSERT_TRUE(bed.RunContactToEnd());

  bed.link.Unplug();
  bed.time.RunFor(10);
  EXPECT_EQ(window.windowTitle().toStdString(), kIdentity + " on /dev/ttySIM0 closed");
  EXPECT_EQ(window.StatusBarText(),
            "Serial port /dev/ttySIM0 is no longer available: The device has been removed.");
  EXPECT_TRUE(bed.prompts.boxes.empty());

  bed.link.PlugIn();
  bed.time.RunFor(PortWatch::kLookIntervalMs);
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_EQ(window.windowTitle().toStdString(),
            kIdentity + " - S/N 01234 on /dev/ttySIM0 at 38400 bit/s");
}

TEST(MainWindow, CannotBeSizedBelowItsMinimumAndStartsCentredAtIt) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.SetScreenAreas([] { return std::vector<QRect>{QRect(0, 0, 1920, 1080)}; });
  window.show();
  const QSize sheet = window.Pages().sizeHint();
  const QSize minimum((sheet.width() * 105 + 50) / 100, (sheet.height() * 109 + 50) / 100);
  EXPECT_EQ(window.minimumSize(), minimum);
  EXPECT_EQ(window.size(), minimum);
  window.resize(10, 10);
  EXPECT_GE(window.width(), minimum.width());
  EXPECT_GE(window.height(), minimum.height());
}

TEST(MainWindow, RestoresASavedPlacementButNotAnIncompleteOne) {
  const QRect saved(40, 30, 1500, 1000);
  const std::vector<QRect> screens{QRect(0, 0, 2560, 1440)};
  {
    WindowTestBed bed;
    SaveWindowPlacement(bed.store, StoredPlacement(saved));
    MainWindow& window = bed.Open();
    window.SetScreenAreas([&] { return screens; });
    window.show();
    EXPECT_EQ(window.geometry(), saved);
  }
  {
    WindowTestBed bed;
    SaveWindowPlacement(bed.store, StoredPlacement(saved));
    bed.store.Remove("top", kWindowSubkey);
    MainWindow& window = bed.Open();
    window.SetScreenAreas([&] { return screens; });
    window.show();
    EXPECT_EQ(window.size(), window.minimumSize());
  }
}

struct PlacementCase {
  const char* label;
  std::optional<QRect> stored;
  std::vector<QRect> screens;  // available geometry, the primary screen first
  std::size_t screen;          // the one the window must lie on
};

class Placement : public ::testing::TestWithParam<PlacementCase> {};

// Wherever the stored rectangle was, the window opens on a screen, whole, no larger than it: the
// minimum size gives way and the pages scroll. What the window saves then opens the same way.
TEST_P(Placement, PutsTheWholeWindowOnAScreen) {
  const PlacementCase& c = GetParam();
  WindowTestBed bed;
  if (c.stored) {
    SaveWindowPlacement(bed.store, StoredPlacement(*c.stored));
  }
  const QRect screen = c.screens[c.screen];
  QRect saved;
  {
    MainWindow& window = bed.Open();
    window.SetScreenAreas([&] { return c.screens; });
    window.show();
    EXPECT_TRUE(screen.contains(window.frameGeometry()))
        << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    EXPECT_LE(window.minimumWidth(), screen.width());
    EXPECT_LE(window.minimumHeight(), screen.height());
    if (c.stored && screen.contains(*c.stored)) {
      EXPECT_EQ(window.geometry(), *c.stored) << "a placement that fits is kept";
    }
    if (!c.stored) {
      EXPECT_LE((window.frameGeometry().center() - screen.center()).manhattanLength(), 2);
    }
    window.close();
    saved = NormalRectangle(*RestoreWindowPlacement(bed.store));
  }
  EXPECT_TRUE(screen.contains(saved));
  MainWindow& again = bed.Open();
  again.SetScreenAreas([&] { return c.screens; });
  again.show();
  EXPECT_EQ(again.geometry(), saved);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, Placement,
    ::testing::Values(
        PlacementCase{
            "StoredLargerThanTheScreen", QRect(40, 40, 1200, 740), {QRect(0, 0, 1024, 600)}, 0},
        PlacementCase{
            "StoredOffToTheRight", QRect(1900, 100, 700, 500), {QRect(0, 0, 1280, 800)}, 0},
        PlacementCase{
            "StoredOnAMonitorThatIsGone", QRect(-1500, 200, 800, 560), {QRect(0, 0, 1280, 800)}, 0},
        PlacementCase{"StoredOnTheSecondMonitor",
                      QRect(1400, 100, 900, 700),
                      {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)},
                      1},
        PlacementCase{"StoredUnderAPanel", QRect(0, 0, 900, 700), {QRect(0, 32, 1280, 768)}, 0},
        // 1024 by 600 at a scale of 1.5, less a panel, in the window's own pixels.
        PlacementCase{
            "FirstRunAtScale1Point5On1024x600", std::nullopt, {QRect(0, 0, 683, 384)}, 0}),
    ByLabel{});

// The window manager's frame counts: the title bar stays on the screen.
TEST(WindowFit, KeepsTheFrameOnTheScreen) {
  const QMargins frame(4, 30, 4, 4);
  const QRect screen(0, 0, 1024, 600);
  for (const std::optional<QRect>& stored :
       {std::optional<QRect>(QRect(40, 10, 1200, 740)), std::optional<QRect>()}) {
    const WindowFit fit = FitWindow({stored, QSize(700, 650), frame, {screen}});
    EXPECT_TRUE(screen.contains(fit.geometry.marginsAdded(frame)));
    EXPECT_EQ(fit.minimum, QSize(700, 566));
  }
}

TEST(MainWindow, PagesScrollOnAScreenSmallerThanTheirLayout) {
  WindowTestBed bed;
  bed.store.PutString("Port", SimulatedLink::kPortName);
  bed.store.PutDword("ActivePage", 2);
  MainWindow& window = bed.Open();
  window.SetScreenAreas([] { return std::vector<QRect>{QRect(0, 0, 683, 384)}; });
  window.show();
  const Page& page = window.PageAt(2);
  EXPECT_GE(page.height(), page.minimumHeight());
  auto* area = qobject_cast<QScrollArea*>(window.Pages().currentWidget());
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->widget(), &page);
  QApplication::processEvents();
  EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
  EXPECT_TRUE(area->verticalScrollBar()->isVisible());
  EXPECT_TRUE(window.grab().save(QStringLiteral(UI_SCREENSHOT_DIR "/window-683x384.png")));
}

// Every page in turn at 1024 by 600 with the amplifier found: the window lies on the screen, says
// what it found, and shows the page asked for, laid out whole (scrolled, never squeezed). The
// pictures are kept to be looked at.
TEST(MainWindow, ShotAt1024x600) {
  WindowTestBed bed;
  bed.store.PutString("Port", SimulatedLink::kPortName);
  MainWindow& window = bed.Open();
  const QRect screen(0, 0, 1024, 600);
  window.SetScreenAreas([screen] { return std::vector<QRect>{screen}; });
  window.show();
  ASSERT_TRUE(bed.RunContactToEnd());
  EXPECT_TRUE(screen.contains(window.frameGeometry()));
  EXPECT_EQ(window.windowTitle().toStdString(),
            kIdentity + " - S/N 01234 on /dev/ttySIM0 at 38400 bit/s");
  const char* const names[] = {"portPage", "firmwarePage", "operatePage", "configurationPage",
                               "commandTesterPage"};
  ASSERT_EQ(MainWindow::kPageCount, static_cast<int>(std::size(names)));
  for (int page = 0; page < MainWindow::kPageCount; ++page) {
    window.Pages().setCurrentIndex(page);
    QApplication::processEvents();
    const Page& shown = window.PageAt(page);
    EXPECT_EQ(shown.objectName(), names[page]);
    auto* area = qobject_cast<QScrollArea*>(window.Pages().currentWidget());
    ASSERT_NE(area, nullptr) << page;
    EXPECT_EQ(area->widget(), &shown) << page;
    EXPECT_TRUE(shown.isVisible()) << page;
    EXPECT_GE(shown.width(), shown.sizeHint().width()) << page;
    EXPECT_GE(shown.height(), shown.sizeHint().height()) << page;
    EXPECT_TRUE(window.grab().save(
        QStringLiteral(UI_SCREENSHOT_DIR "/window-1024x600-page%1.png").arg(page)));
  }
}

TEST(MainWindow, IdleNotificationsGoToTheCurrentPageOnly) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  EXPECT_EQ(window.Router().CurrentPage(), &window.PageAt(MainWindow::kPortPageIndex));
  window.Pages().setCurrentIndex(4);
  EXPECT_EQ(window.Router().CurrentPage(), &window.PageAt(4));
}

TEST(MainWindow, StatusLinesReachTheActivityLogOnlyWhileTheFirmwarePageShows) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.Pages().setCurrentIndex(2);
  window.StatusText("while operating");
  EXPECT_EQ(window.StatusBarText(), "while operating");
  EXPECT_FALSE(LogText(window).contains("while operating"));

  window.Pages().setCurrentIndex(MainWindow::kFirmwarePageIndex);
  window.StatusText("while on firmware");
  EXPECT_TRUE(LogText(window).endsWith(" while on firmware"));
}

TEST(MainWindow, VerboseLinesShowOnlyWhileVerboseLoggingIsOn) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.VerboseText("quiet");
  EXPECT_NE(window.StatusBarText(), "quiet");
  bed.app.verboseLogging.Set(1);
  window.VerboseText("loud");
  EXPECT_EQ(window.StatusBarText(), "loud");
}

TEST(MainWindow, FinishedMachineBringsBackReady) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  bed.app.machineDone.Notify(err::kCancelled);
  EXPECT_EQ(window.StatusBarText(), "Ready");
}

TEST(MainWindow, F1OpensTheTopicOfThePageWithTheFocusElseTheContents) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.show();
  QApplication::setActiveWindow(&window);
  window.PageAt(MainWindow::kPortPageIndex).findChild<QWidget*>("portList")->setFocus();
  QTest::keyClick(&window, Qt::Key_F1);

  window.Pages().setCurrentIndex(2);  // the Operate page has no topic of its own
  window.PageAt(2).setFocus();
  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_EQ(bed.help.topics, (std::vector<QString>{"Port.htm", QString()}));
}

TEST(MainWindow, ViewFlagsToggleTheirSettingAndCheckMark) {
  WindowTestBed bed;
  bed.store.PutDword("VerboseLogging", 1);
  MainWindow& window = bed.Open();
  QAction* trace = nullptr;
  QAction* verbose = nullptr;
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->text() == "&Trace") {
      trace = action;
    } else if (action->text() == "&Verbose Logging") {
      verbose = action;
    }
  }
  ASSERT_NE(trace, nullptr);
  ASSERT_NE(verbose, nullptr);
  EXPECT_FALSE(trace->isChecked());
  EXPECT_TRUE(verbose->isChecked());  // from the stored value
  trace->trigger();
  verbose->trigger();
  EXPECT_EQ(bed.app.trace.Get(), 1u);
  EXPECT_TRUE(trace->isChecked());
  EXPECT_EQ(bed.app.verboseLogging.Get(), 0u);
  EXPECT_FALSE(verbose->isChecked());
}

QAction* FindAction(MainWindow& window, const QString& text) {
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->text() == text) {
      return action;
    }
  }
  return nullptr;
}

// The bar cuts a long line; its tooltip holds the whole text, line breaks and markup-like
// characters included.
TEST(MainWindow, ALongStatusLineShowsWholeInTheTooltip) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  const std::string line =
      "Unable to open serial port \"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3X5Q-if00-"
      "port0\". Error 0x0000051A: Permission denied: \"/dev/ttyUSB0\" is not accessible to "
      "this user. It belongs to user \"root\" and group \"root\" with mode crw------- (0600).\r\n"
      "<second line> & more";
  window.StatusText(line);

  const auto* label = window.findChild<QLabel*>("statusText");
  ASSERT_NE(label, nullptr);
  QTextDocument tooltip;
  tooltip.setHtml(label->toolTip());
  std::string expected = line;
  expected.replace(expected.find("\r\n"), 2, "\n");
  EXPECT_EQ(tooltip.toPlainText().toStdString(), expected);
  EXPECT_FALSE(label->text().contains('\n'));
}

const std::vector<QRect> kSmallScreen{QRect(0, 0, 683, 384)};

int CountInLog(MainWindow& window, const std::string& line) {
  return static_cast<int>(LogText(window).count(QString::fromStdString(line)));
}

std::string LongLine(const std::string& what) {
  return "Unable to open serial port \"/dev/serial/by-id/usb-" + std::string(150, 'x') + "\" " +
         what;
}

// The Activity Log is the one place a line the bar cuts can be read again: such a line goes
// there once, from any page; a line that fits stays in the bar alone.
TEST(MainWindow, ALineTheBarCutsIsKeptInTheActivityLogOnce) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.SetScreenAreas([] { return kSmallScreen; });
  window.Pages().setCurrentIndex(2);
  window.show();

  window.StatusText("Port fits");
  window.StatusText(LongLine("on the Operate page"));
  EXPECT_EQ(CountInLog(window, "Port fits"), 0);
  EXPECT_EQ(CountInLog(window, LongLine("on the Operate page")), 1);
  QTextDocument tooltip;
  tooltip.setHtml(window.statusBar()->toolTip());
  EXPECT_EQ(tooltip.toPlainText().toStdString(), LongLine("on the Operate page"));

  window.Pages().setCurrentIndex(MainWindow::kFirmwarePageIndex);
  window.StatusText(LongLine("on the Firmware page"));
  EXPECT_EQ(CountInLog(window, LongLine("on the Firmware page")), 1);
}

// The report of a port that would not open comes before the window is shown; it is judged once
// the bar has its width.
TEST(MainWindow, ALineCutBeforeTheWindowShowsIsKeptOnceItShows) {
  WindowTestBed bed;
  const std::string port = "/dev/serial/by-id/usb-" + std::string(150, 'y');
  bed.store.PutString("Port", port);
  MainWindow& window = bed.Open();
  window.SetScreenAreas([] { return kSmallScreen; });
  const std::string line = window.StatusBarText().toStdString();
  ASSERT_NE(line.find(port), std::string::npos) << line;
  EXPECT_EQ(CountInLog(window, line), 0);
  window.show();
  EXPECT_EQ(CountInLog(window, line), 1);
}

// The status line says what happened last: a foreign device's answer, a closed port.
TEST(MainWindow, TheStatusLineFollowsTheLastEvent) {
  {
    vlxsim::AmplifierConfig config;
    config.identity = vlxsim::Identity::kRq7;
    config.mode = vlxsim::PowerMode::kOff;
    WindowTestBed bed(config);
    bed.store.PutString("Port", SimulatedLink::kPortName);
    MainWindow& window = bed.Open();
    ASSERT_TRUE(bed.RunContactToEnd());
    EXPECT_EQ(window.StatusBarText(), "Connected device does not appear to be an Velqorin VLX750");
  }
  {
    vlxsim::AmplifierConfig config;
    config.faults.silent = true;
    WindowTestBed bed(config);
    bed.store.PutString("Port", SimulatedLink::kPortName);
    MainWindow& window = bed.Open();
    bed.time.RunFor(500);
    ASSERT_TRUE(window.StatusBarText().startsWith("Attempting to contact VLX"));
    bed.app.EstablishContact().BeginClosePort();
    EXPECT_EQ(window.windowTitle().toStdString(), kIdentity + " on /dev/ttySIM0 closed");
    EXPECT_EQ(window.StatusBarText(), "Serial Port is closed");
  }
}

TEST(MainWindow, AboutBoxFitsItsCaptionAndCannotBeMaximised) {
  WindowTestBed bed;
  MainWindow& window = bed.Open();
  window.show();
  QAction* about = FindAction(window, "&About VLX Utility");
  ASSERT_NE(about, nullptr);

  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = true;
    QFont captionFont = box->font();
    captionFont.setBold(true);
    EXPECT_GT(box->width(), QFontMetrics(captionFont).horizontalAdvance(box->windowTitle()));
    EXPECT_FALSE(box->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(box->minimumSize(), box->maximumSize()) << "a fixed size";
    EXPECT_TRUE(box->findChild<QLabel*>("aboutText")->text().startsWith("Velqorin VLX Utility"));
    box->reject();
  });
  about->trigger();
  EXPECT_TRUE(seen);
}

// An adapter that is not plugged in yet at start-up keeps its place in the settings.
TEST(MainWindow, AStoredPortThatIsAbsentAtStartIsKept) {
  WindowTestBed bed;
  const std::string absent = "/dev/serial/by-id/usb-FTDI-if00-port0";
  bed.store.PutString("Port", absent);
  MainWindow& window = bed.Open();
  window.show();
  EXPECT_EQ(window.windowTitle().toStdString(), kIdentity + " on " + absent + " closed");
  window.close();
  ASSERT_TRUE(bed.store.Read("", "Port"));
  EXPECT_EQ(bed.store.Read("", "Port")->text, absent);
}

}  // namespace
}  // namespace vlx::test
