#pragma once
// The program's one top-level window: menu, status bar and the five pages as tabs. It routes every
// timer and serial notification to the running machine or the current page, and runs start-up and
// shut-down in their fixed order.

#include <QMainWindow>
#include <QRect>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UiServices.h"
#include "help/ReleaseNotesWindow.h"
#include "link/MachineRouter.h"
#include "link/PortWatch.h"
#include "model/Listener.h"
#include "model/WindowPlacement.h"
#include "operate/TelemetryRecorder.h"
#include "report/StatusSink.h"
#include "settings/SystemTelemetryFile.h"

class QAction;
class QTabWidget;

namespace vlx {

class AppSettings;
class DwordSetting;
class Page;
class StatusLabel;
class StatusRelay;

class MainWindow final : public QMainWindow, public Listener, public StatusSink {
  Q_OBJECT

 public:
  static constexpr int kPortPageIndex = 0;
  static constexpr int kFirmwarePageIndex = 1;
  static constexpr int kPageCount = 5;

  // The available geometry of each screen, the primary one first.
  using ScreenAreas = std::function<std::vector<QRect>()>;

  // Loads the settings, builds the pages and starts looking for the amplifier. `statusRelay` is
  // the sink the model was given; the window plugs itself into it.
  MainWindow(UiServices& services, StatusRelay& statusRelay, const std::string& osVersionLine);
  ~MainWindow() override;

  void StatusText(const std::string& line) override;
  void VerboseText(const std::string& line) override;
  // Trace lines belong to the dialog that runs a traced conversation; the window shows none.
  void TraceText(const std::string&) override {}
  void OnMessage(MessageId id, MessageParam wParam) override;

  MachineRouter& Router() { return router_; }
  QTabWidget& Pages() { return *pages_; }
  Page& PageAt(int index) const;
  QString StatusBarText() const;
  ReleaseNotesHolder& ReleaseNotes() { return releaseNotes_; }
  // The operate telemetry: the plot's history and the CSV log, kept across tab switches.
  TelemetryRecorder& Telemetry() { return telemetry_; }
  // Where the screens are, asked when the window is placed; the system's screens unless set.
  void SetScreenAreas(ScreenAreas areas) { screenAreas_ = std::move(areas); }

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  void CreateMenus();
  void CreatePages(const std::string& osVersionLine);
  int StartPage() const;
  void OnCurrentPageChanged(int index);
  void RefreshTitle();
  void ToggleStatusBar();
  void ToggleFlag(DwordSetting& flag, QAction& action);
  void ShowContextHelp();
  void ShowAbout();
  // The release notes of the firmware folder: the file the folder scan matches, in any case.
  void ShowReleaseNotes();
  // The minimum size, then the saved placement or, failing that, that size centred; either
  // fitted to the screen it lands on.
  void PlaceOnFirstShow();
  // Fits the window again once the window manager has told the size of its frame.
  void RefitOnceFramed();
  void Fit(const std::optional<QRect>& wanted);
  QMargins FrameMargins() const;
  WindowPlacement CurrentPlacement() const;
  // A status line that the bar shows cut is kept in the Activity Log, the one place it can be
  // read again; on the Firmware page every line goes there anyway.
  void KeepIfCut(const std::string& line);
  void ReportClosedPort();
  void ShutDown();
  bool Owns(const QWidget* widget) const;

  UiServices& services_;
  AppSettings& app_;
  StatusRelay& statusRelay_;
  MachineRouter router_;
  ReleaseNotesHolder releaseNotes_;
  PortWatch portWatch_;
  SystemTelemetryFileOpener diskTelemetryFiles_;
  TelemetryRecorder telemetry_;
  const std::string identityLine_;
  StatusLabel* statusLabel_ = nullptr;
  QTabWidget* pages_ = nullptr;
  std::array<Page*, kPageCount> pageList_{};
  ScreenAreas screenAreas_;
  QSize requiredMinimum_;
  // The line the bar showed before the window had its size, judged once it has.
  std::optional<std::string> unjudgedLine_;
  // Status lines shown so far.
  std::uint64_t statusLines_ = 0;
  QAction* statusBarAction_ = nullptr;
  QAction* traceAction_ = nullptr;
  QAction* verboseAction_ = nullptr;
  bool shown_ = false;
  bool framed_ = false;
  // Looks for the window manager's frame after the first show, when no event tells of it.
  static constexpr int kFrameLooks = 20;
  QTimer frameWatch_;
  int frameLooks_ = 0;
  bool shutDown_ = false;
};

}  // namespace vlx
