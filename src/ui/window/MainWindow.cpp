#include "window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "BuildInfo.h"
#include "UiText.h"
#include "dialogs/SettingsDialog.h"
#include "firmware/FirmwareFolder.h"
#include "help/HelpService.h"
#include "link/EstablishContactMachine.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "pages/CommandTesterPage.h"
#include "pages/ConfigurationPage.h"
#include "pages/FirmwarePage.h"
#include "pages/OperatePage.h"
#include "pages/PortPage.h"
#include "report/DeviceTexts.h"
#include "report/ReportTextIds.h"
#include "report/StatusRelay.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "report/WindowTextIds.h"
#include "window/CloseRequest.h"
#include "window/StatusLabel.h"
#include "window/WindowFit.h"

namespace vlx {
namespace {
// The classic show commands kept with the placement.
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kShowMinimized = 2;
constexpr std::uint32_t kShowMaximized = 3;
constexpr std::int32_t kNoPosition = -1;

// Room the window manager takes beside a caption for its icon and buttons.
constexpr int kCaptionDecorationWidth = 120;

// A page in the sheet: as large as the page wants when there is room, scrolled when the screen is
// smaller than the pages' layout. The page goes into the area only when the area is first shown:
// putting it in shows it, and a page builds its controls on its first show.
class PageScrollArea final : public QScrollArea {
 public:
  explicit PageScrollArea(Page* page) : page_(page) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    page_->setParent(this);
    page_->hide();
  }
  QSize sizeHint() const override { return page_->sizeHint(); }

  void setVisible(bool visible) override {
    if (visible && widget() == nullptr) {
      setWidget(page_);
    }
    QScrollArea::setVisible(visible);
  }

 protected:
  // Below the size the page is laid out for it scrolls rather than squeezing its controls.
  void showEvent(QShowEvent* event) override {
    page_->setMinimumSize(page_->minimumSize().expandedTo(page_->sizeHint()));
    QScrollArea::showEvent(event);
  }

 private:
  Page* page_;
};

std::vector<QRect> SystemScreenAreas() {
  std::vector<QRect> areas;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary != nullptr) {
    areas.push_back(primary->availableGeometry());
  }
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) {
      areas.push_back(screen->availableGeometry());
    }
  }
  return areas;
}

QRect NormalRectangle(const WindowPlacement& placement) {
  return {QPoint(placement.left, placement.top),
          QSize(placement.right - placement.left, placement.bottom - placement.top)};
}
}  // namespace

MainWindow::MainWindow(UiServices& services, StatusRelay& statusRelay,
                       const std::string& osVersionLine)
    : services_(services),
      app_(services.app),
      statusRelay_(statusRelay),
      router_(services.app),
      releaseNotes_(services.prompts),
      // A returning port is tested again only when no dialog waits for the user.
      portWatch_(services.app, services.app.TimerServices(),
                 [] { return QApplication::activeModalWidget() == nullptr; }),
      telemetry_(
          services.clock, services.app.Files(),
          services.telemetryFiles != nullptr ? *services.telemetryFiles : diskTelemetryFiles_),
      identityLine_(build::ProgramRevisionText()),
      screenAreas_(SystemScreenAreas) {
  setWindowTitle(LoadText(ids::kAppTitle));
  statusLabel_ = new StatusLabel;
  statusLabel_->SetLine(std::string(LoadString(ids::kReady)));
  statusBar()->addWidget(statusLabel_, 1);
  statusBar()->setSizeGripEnabled(true);
  statusRelay_.SetTarget(this);
  frameWatch_.setSingleShot(true);
  frameWatch_.setInterval(100);
  connect(&frameWatch_, &QTimer::timeout, this, &MainWindow::RefitOnceFramed);

  app_.Load();
  CreateMenus();
  CreatePages(osVersionLine);
  pages_->setCurrentIndex(StartPage());
  OnCurrentPageChanged(pages_->currentIndex());
  connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::OnCurrentPageChanged);

  app_.deviceState.SubscribeAndSend(*this);
  app_.machineDone.Subscribe(*this);
  app_.serialNumber.SubscribeAndSend(*this);
  app_.port.SubscribeAndSend(*this);
  app_.baudRate.SubscribeAndSend(*this);
  app_.portOpen.Subscribe(*this);
  app_.EstablishContact().BeginTestCommunications();
}

MainWindow::~MainWindow() {
  ShutDown();
  statusRelay_.SetTarget(nullptr);
  // The pages go before the telemetry the Operate page reports to.
  disconnect(pages_, nullptr, this, nullptr);
  router_.SetCurrentPage(nullptr);
  delete takeCentralWidget();
  pages_ = nullptr;
}

void MainWindow::CreateMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Settings...", this, [this] {
    SettingsDialog dialog(app_, this);
    dialog.exec();
  });
  file->addSeparator();
  file->addAction("E&xit\tAlt F4", this, &QWidget::close);
  auto* exitShortcut = new QShortcut(QKeySequence("Alt+F4"), this);
  connect(exitShortcut, &QShortcut::activated, this, &QWidget::close);

  QMenu* view = menuBar()->addMenu("&View");
  statusBarAction_ = view->addAction("&Status Bar", this, &MainWindow::ToggleStatusBar);
  statusBarAction_->setCheckable(true);
  statusBarAction_->setChecked(true);
  traceAction_ = view->addAction("&Trace");
  traceAction_->setCheckable(true);
  traceAction_->setChecked(app_.trace.Get() != 0);
  connect(traceAction_, &QAction::triggered, this,
          [this] { ToggleFlag(app_.trace, *traceAction_); });
  verboseAction_ = view->addAction("&Verbose Logging");
  verboseAction_->setCheckable(true);
  verboseAction_->setChecked(app_.verboseLogging.Get() != 0);
  connect(verboseAction_, &QAction::triggered, this,
          [this] { ToggleFlag(app_.verboseLogging, *verboseAction_); });

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("VLX Utility &Help\tF1", this,
                  [this] { services_.help.ShowHelp(this, QString()); });
  help->addAction("VLX Firmware &Release Notes", this, &MainWindow::ShowReleaseNotes);
  help->addSeparator();
  help->addAction("&About VLX Utility", this, &MainWindow::ShowAbout);
  auto* helpShortcut = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(helpShortcut, &QShortcut::activated, this, &MainWindow::ShowContextHelp);
}

void MainWindow::CreatePages(const std::string& osVersionLine) {
  pages_ = new QTabWidget;
  pages_->setObjectName("pages");
  pageList_ = {
      new PortPage(services_),
      new FirmwarePage(services_, identityLine_, osVersionLine),
      new OperatePage(services_, telemetry_),
      new ConfigurationPage(services_, identityLine_),
      new CommandTesterPage(services_),
  };
  const auto& pages = pageList_;
  // The first tab added is shown, and so built, at once: the start page goes in first and the
  // others take their places around it, so a page the window does not open on stays unbuilt.
  const auto start = static_cast<std::size_t>(StartPage());
  pages_->addTab(new PageScrollArea(pages[start]), pages[start]->Caption());
  for (std::size_t index = 0; index < pages.size(); ++index) {
    if (index != start) {
      pages_->insertTab(static_cast<int>(index), new PageScrollArea(pages[index]),
                        pages[index]->Caption());
    }
  }
  setCentralWidget(pages_);
}

// The stored page, but only once a port has been chosen: a first run starts on the Port page.
int MainWindow::StartPage() const {
  const std::uint32_t stored = app_.activePage.Get();
  return !app_.port.Get().empty() && stored < kPageCount ? static_cast<int>(stored)
                                                         : kPortPageIndex;
}

Page& MainWindow::PageAt(int index) const {
  return *pageList_.at(static_cast<std::size_t>(index));
}

void MainWindow::OnCurrentPageChanged(int index) {
  router_.SetCurrentPage(index >= 0 ? &PageAt(index) : nullptr);
}

QString MainWindow::StatusBarText() const {
  return statusLabel_->text();
}

void MainWindow::StatusText(const std::string& line) {
  ++statusLines_;
  statusLabel_->SetLine(line);
  statusBar()->setToolTip(statusLabel_->toolTip());
  unjudgedLine_.reset();
  if (pages_ == nullptr) {
    return;
  }
  if (pages_->currentIndex() == kFirmwarePageIndex) {
    PageAt(kFirmwarePageIndex).OnPageLog(line);
  } else if (!shown_) {
    unjudgedLine_ = line;
  } else {
    KeepIfCut(line);
  }
}

// Closing is often the first step of opening again, and a failed open or a lost port has a line
// of its own: the port is said to be closed only when nothing else has been said by the time the
// engine returns, so that the bar no longer speaks of a search or a device that has gone.
void MainWindow::ReportClosedPort() {
  const std::uint64_t linesBefore = statusLines_;
  app_.Dispatch().AfterDispatch([this, linesBefore] {
    if (!shutDown_ && app_.portOpen.Get() == 0 && statusLines_ == linesBefore) {
      StatusText(std::string(LoadString(ids::kSerialPortIsClosed)));
    }
  });
}

void MainWindow::KeepIfCut(const std::string& line) {
  if (statusBar()->isVisible() && statusLabel_->IsCut()) {
    PageAt(kFirmwarePageIndex).OnPageLog(line);
  }
}

void MainWindow::VerboseText(const std::string& line) {
  if (app_.verboseLogging.Get() != 0) {
    StatusText(line);
  }
}

void MainWindow::OnMessage(MessageId id, MessageParam) {
  switch (id) {
    case kMsgDeviceState:
      RefreshTitle();
      StatusText(DeviceStatusLine(app_.deviceState.Get(), app_.revision.Get(),
                                  app_.portOpen.Get() != 0, app_.Serial().Speed()));
      break;
    case kMsgMachineDone:
      StatusText(std::string(LoadString(ids::kReady)));
      break;
    case kMsgPortOpen:
      RefreshTitle();
      if (app_.portOpen.Get() == 0) {
        ReportClosedPort();
      }
      break;
    case kMsgSerialNumber:
    case kMsgPort:
    case kMsgBaudRate:
      RefreshTitle();
      break;
    default:
      break;
  }
}

void MainWindow::RefreshTitle() {
  setWindowTitle(
      QString::fromStdString(WindowTitle(identityLine_, app_.serialNumber.Get(), app_.port.Get(),
                                         app_.portOpen.Get() != 0, app_.Serial().Speed())));
}

void MainWindow::ToggleStatusBar() {
  statusBar()->setVisible(!statusBar()->isVisible());
  statusBarAction_->setChecked(statusBar()->isVisible());
}

void MainWindow::ToggleFlag(DwordSetting& flag, QAction& action) {
  flag.Publish(flag.Get() == 0 ? 1 : 0);
  action.setChecked(flag.Get() != 0);
}

// F1 opens the topic of the page that has the focus; the main window and a page without a topic
// of its own open the contents.
void MainWindow::ShowContextHelp() {
  const QWidget* focus = QApplication::focusWidget();
  const Page& page = PageAt(pages_->currentIndex());
  services_.help.ShowHelp(
      this, focus != nullptr && page.isAncestorOf(focus) ? page.HelpTopic() : QString());
}

void MainWindow::ShowAbout() {
  QDialog about(
      this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  about.setWindowTitle("About VLX Utility");
  auto* text =
      new QLabel(QString("%1\n\n%2\n\n%3")
                     .arg(build::kFileDescription)
                     .arg(QString::fromStdString(FormatText(
                         "Revision %u.%u.%u.%u", {build::kVersion[0], build::kVersion[1],
                                                  build::kVersion[2], build::kVersion[3]})))
                     .arg(build::kLegalCopyright));
  text->setObjectName("aboutText");
  auto* buttons = new QDialogButtonBox;
  buttons->addButton("Close", QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::rejected, &about, &QDialog::reject);
  auto* layout = new QVBoxLayout(&about);
  layout->addWidget(text);
  layout->addWidget(buttons);
  // A fixed size that leaves the whole caption room in the title bar; a box with nothing to
  // show at another size offers no maximise button.
  QFont captionFont = about.font();
  captionFont.setBold(true);
  about.setMinimumWidth(QFontMetrics(captionFont).horizontalAdvance(about.windowTitle()) +
                        kCaptionDecorationWidth);
  about.setFixedSize(about.sizeHint().expandedTo(about.minimumSize()));
  about.exec();
}

void MainWindow::ShowReleaseNotes() {
  const std::string& folder = app_.firmwareFolder.Get();
  const FirmwareFileInfo notes = ScanFirmwareFolder(app_.Files(), folder).notes;
  // Without a match the path named is the one the notes should have; the holder says it cannot
  // be opened.
  const std::string path = notes.Found() ? notes.path : JoinPath(folder, kReleaseNotesFileName);
  releaseNotes_.Show(this, QString::fromStdString(path));
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    // The start page has had its first show by now (a widget's children are shown before it
    // is), as a page created with the window: that show leaves the search the window started
    // alone, and only later ones check the revision again.
    app_.mainWindowReady.Publish(1);
    PlaceOnFirstShow();
    if (const std::optional<std::string> line = std::exchange(unjudgedLine_, std::nullopt)) {
      layout()->activate();
      statusBar()->layout()->activate();
      KeepIfCut(*line);
    }
  }
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  RefitOnceFramed();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  RefitOnceFramed();
}

void MainWindow::PlaceOnFirstShow() {
  const QSize sheet = pages_->sizeHint();
  requiredMinimum_ = QSize((sheet.width() * 105 + 50) / 100, (sheet.height() * 109 + 50) / 100);
  const std::optional<WindowPlacement> placement = RestoreWindowPlacement(app_.Store());
  Fit(placement ? std::optional<QRect>(NormalRectangle(*placement)) : std::nullopt);
  if (placement && placement->showCmd == kShowMaximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }
}

// Before the window is mapped the window manager's frame is not known, so the first fit may
// leave the title bar or the bottom edge off the screen by the frame's size. The frame may also
// become known with no move or resize to tell of it (the window manager sets its extents after
// placing the window), so the window asks again for a short while after it is first shown.
void MainWindow::RefitOnceFramed() {
  if (!shown_ || framed_ || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    return;
  }
  if (FrameMargins().isNull()) {
    if (frameLooks_ < kFrameLooks && !frameWatch_.isActive()) {
      ++frameLooks_;
      frameWatch_.start();
    }
    return;
  }
  framed_ = true;
  Fit(normalGeometry());
}

void MainWindow::Fit(const std::optional<QRect>& wanted) {
  const WindowFit fit = FitWindow({wanted, requiredMinimum_, FrameMargins(), screenAreas_()});
  setMinimumSize(fit.minimum);
  resize(fit.geometry.size());
  // The frame's corner, so that a window manager that has not told its frame yet puts the title
  // bar where the fit put the window's top rather than above it.
  const QMargins frame = FrameMargins();
  move(fit.geometry.topLeft() - QPoint(frame.left(), frame.top()));
}

QMargins MainWindow::FrameMargins() const {
  const QRect frame = frameGeometry();
  const QRect inner = geometry();
  return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
          frame.bottom() - inner.bottom()};
}

WindowPlacement MainWindow::CurrentPlacement() const {
  const QRect normal = normalGeometry();
  WindowPlacement placement;
  placement.showCmd = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
  placement.minPosX = placement.minPosY = kNoPosition;
  placement.maxPosX = placement.maxPosY = kNoPosition;
  placement.left = normal.left();
  placement.top = normal.top();
  placement.right = normal.left() + normal.width();
  placement.bottom = normal.top() + normal.height();
  return placement;
}

// Whether `widget` is a window this one owns, at any depth (a dialog a page opened).
bool MainWindow::Owns(const QWidget* widget) const {
  for (const QWidget* owner = widget != nullptr ? widget->parentWidget() : nullptr;
       owner != nullptr; owner = owner->parentWidget()) {
    if (owner == this) {
      return true;
    }
  }
  return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A modal dialog of ours may be running a conversation (a firmware load): it is asked to
  // close first and may refuse. When it does close, the window closes once the code that opened
  // the dialog has finished with the link.
  if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      dialog != nullptr && Owns(dialog)) {
    event->ignore();
    dialog->close();
    if (!dialog->isVisible()) {
      QTimer::singleShot(0, this, &QWidget::close);
    }
    return;
  }
  ShutDown();
  QMainWindow::closeEvent(event);
}

// The toolkit drops the window system's close request (close box, the window manager's Alt+F4)
// for a window under a modal dialog; without this, closing the window during a load would do
// nothing. It is taken as any close is, once the native event has been handled.
bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  if (QApplication::activeModalWidget() != nullptr && IsWindowCloseRequest(eventType, message)) {
    QTimer::singleShot(0, this, &QWidget::close);
    return true;
  }
  return QMainWindow::nativeEvent(eventType, message, result);
}

void MainWindow::ShutDown() {
  if (shutDown_) {
    return;
  }
  shutDown_ = true;
  releaseNotes_.Close();
  telemetry_.StopLog();
  app_.deviceState.Unsubscribe(*this);
  app_.machineDone.Unsubscribe(*this);
  app_.serialNumber.Unsubscribe(*this);
  app_.port.Unsubscribe(*this);
  app_.baudRate.Unsubscribe(*this);
  app_.portOpen.Unsubscribe(*this);
  app_.ClosePort();
  app_.activePage.Publish(static_cast<std::uint32_t>(pages_->currentIndex()));
  app_.Save();
  SaveWindowPlacement(app_.Store(), CurrentPlacement());
}

}  // namespace vlx
