#include "window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "BuildInfo.h"
#include "UiText.h"
#include "firmware/FirmwareFolder.h"
#include "help/HelpService.h"
#include "link/EstablishContactMachine.h"
#include "model/DataFolders.h"
#include "pages/CommandTesterPage.h"
#include "pages/ConfigurationPage.h"
#include "pages/FirmwarePage.h"
#include "pages/OperatePage.h"
#include "pages/PortPage.h"
#include "report/DeviceTexts.h"
#include "report/StatusRelay.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"
#include "window/CloseRequest.h"

namespace vlx {
namespace {
// The classic show commands kept with the placement.
constexpr std::uint32_t kShowNormal = 1;
constexpr std::uint32_t kShowMinimized = 2;
constexpr std::uint32_t kShowMaximized = 3;
constexpr std::int32_t kNoPosition = -1;

// Room the window manager takes beside a caption for its icon and buttons.
constexpr int kCaptionDecorationWidth = 120;

// The status bar has one line; the program's texts may carry line breaks inside.
QString OneLine(const std::string& line) {
  return QString::fromStdString(line).replace("\r\n", " ").replace('\n', ' ');
}

// The whole line, wrapped to the screen and with its own line breaks, for the status bar's
// tooltip: the bar cuts a long line (the advice for a refused port runs past any window width).
QString WholeLine(const std::string& line) {
  QString html = QString::fromStdString(line).toHtmlEscaped();
  return QStringLiteral("<qt>%1</qt>").arg(html.replace("\r\n", "<br>").replace('\n', "<br>"));
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
      identityLine_(build::ProgramRevisionText()) {
  setWindowTitle(LoadText(ids::kAppTitle));
  statusLabel_ = new QLabel(LoadText(ids::kReady));
  statusLabel_->setObjectName("statusText");
  statusBar()->addWidget(statusLabel_, 1);
  statusBar()->setSizeGripEnabled(true);
  statusRelay_.SetTarget(this);

  app_.Load();
  CreateMenus();
  CreatePages(osVersionLine);
  pages_->setCurrentIndex(StartPage());
  OnCurrentPageChanged(pages_->currentIndex());
  connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::OnCurrentPageChanged);

  app_.mainWindowReady.Publish(1);
  app_.deviceState.SubscribeAndSend(*this);
  app_.machineDone.Subscribe(*this);
  app_.serialNumber.SubscribeAndSend(*this);
  app_.port.SubscribeAndSend(*this);
  app_.baudRate.SubscribeAndSend(*this);
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
  const std::vector<Page*> pages = {
      new PortPage(services_),
      new FirmwarePage(services_, identityLine_, osVersionLine),
      new OperatePage(services_, telemetry_),
      new ConfigurationPage(services_, identityLine_),
      new CommandTesterPage(services_),
  };
  for (Page* page : pages) {
    pages_->addTab(page, page->Caption());
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
  return static_cast<Page&>(*pages_->widget(index));
}

void MainWindow::OnCurrentPageChanged(int index) {
  router_.SetCurrentPage(index >= 0 ? &PageAt(index) : nullptr);
}

QString MainWindow::StatusBarText() const {
  return statusLabel_->text();
}

void MainWindow::StatusText(const std::string& line) {
  statusLabel_->setText(OneLine(line));
  statusLabel_->setToolTip(WholeLine(line));
  if (pages_ != nullptr && pages_->currentIndex() == kFirmwarePageIndex) {
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
    PlaceOnFirstShow();
  }
}

void MainWindow::PlaceOnFirstShow() {
  const QSize sheet = pages_->sizeHint();
  setMinimumSize((sheet.width() * 105 + 50) / 100, (sheet.height() * 109 + 50) / 100);
  if (const std::optional<WindowPlacement> placement = RestoreWindowPlacement(app_.Store())) {
    ApplyPlacement(*placement);
    return;
  }
  resize(minimumSize());
  if (const QScreen* screen = this->screen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
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

void MainWindow::ApplyPlacement(const WindowPlacement& placement) {
  const QSize size(std::max(placement.right - placement.left, minimumWidth()),
                   std::max(placement.bottom - placement.top, minimumHeight()));
  setGeometry(QRect(QPoint(placement.left, placement.top), size));
  if (placement.showCmd == kShowMaximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }
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
  app_.ClosePort();
  app_.activePage.Publish(static_cast<std::uint32_t>(pages_->currentIndex()));
  app_.Save();
  SaveWindowPlacement(app_.Store(), CurrentPlacement());
}

}  // namespace vlx
