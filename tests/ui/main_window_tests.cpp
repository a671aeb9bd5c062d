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

#include "WindowTestBed.h"
#include "model/WindowPlacement.h"
#include "pages/Page.h"
#include "support/CaseNames.h"

namespace vlx::test {
namespace {

const std::string kIdentity = "Velqorin VLX Utility Revision 1.0.0.0";

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
  WindowPlacement saved;
  saved.showCmd = 1;
  saved.left = 40;
  saved.top = 30;
  saved.right = 40 + 1500;
  saved.bottom = 30 + 1000;
  {
    WindowTestBed bed;
    SaveWindowPlacement(bed.store, saved);
    MainWindow& window = bed.Open();
    window.show();
    EXPECT_EQ(window.geometry().size(), QSize(1500, 1000));
  }
  {
    WindowTestBed bed;
    SaveWindowPlacement(bed.store, saved);
    bed.store.Remove("top", kWindowSubkey);
    MainWindow& window = bed.Open();
    window.show();
    EXPECT_EQ(window.size(), window.minimumSize());
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
