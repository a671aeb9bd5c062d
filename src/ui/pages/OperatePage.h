#pragma once
// The Operate page: a remote front panel for the amplifier, with the telemetry plot, the poll
// interval and the CSV log below it. Presses become requests for the poller, and the controls
// follow the device state's enabling rules.

#include <QString>
#include <array>
#include <cstdint>
#include <string>

#include "model/Listener.h"
#include "operate/OperatePoller.h"
#include "pages/Page.h"
#include "report/ErrorCode.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vlx {

class MiddleElidedLabel;
struct UiServices;
class TelemetryPlot;
class TelemetryRecorder;

class OperatePage final : public Page, public Listener {
 public:
  // Finished poll runs go to `recorder`, which the window keeps: it must outlive the page.
  OperatePage(UiServices& services, TelemetryRecorder& recorder, QWidget* parent = nullptr);
  ~OperatePage() override;

  void OnMessage(MessageId id, MessageParam wParam) override;
  // The template's size, or more when the controls need it.
  QSize sizeHint() const override;

  const OperatePoller& Poller() const { return poller_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildControls() override;
  QWidget* BuildFrontPanel();
  // Poll interval, plot and log controls: none of them follows the device state.
  QHBoxLayout* BuildTelemetryStrip();
  // The log's file name and row count.
  QHBoxLayout* BuildLogLine();
  void StartListening();
  void StopListening();

  void ToggleLog();
  void StartLog();
  void ShowLog();
  // After every recorded sample: the plot and the log's row count.
  void OnSampleRecorded();
  void OnLogFailed(const std::string& path, ErrorCode code);

  void ShowDeviceState();
  void ShowOperateMode();
  void ShowBand();
  void ShowCurrentFault();
  // A numeric display; its text also goes to the status line while Trace is on.
  void ShowReading(QLineEdit& field, const std::string& text);

  UiServices& services_;
  TelemetryRecorder& recorder_;
  OperatePoller poller_;
  QWidget* panel_ = nullptr;
  QLineEdit* paVoltage_ = nullptr;
  QLineEdit* paCurrent_ = nullptr;
  QLineEdit* temperature_ = nullptr;
  QLineEdit* power_ = nullptr;
  QLineEdit* swr_ = nullptr;
  QLineEdit* band_ = nullptr;
  QLineEdit* fault_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* operateStandby_ = nullptr;
  QLabel* operLabel_ = nullptr;
  QLabel* stbyLabel_ = nullptr;
  QPushButton* onOff_ = nullptr;
  std::array<QPushButton*, 11> bandButtons_{};
  // The band the buttons' fonts show; none at first.
  std::uint32_t shownBand_ = UINT32_MAX;
  TelemetryPlot* plot_ = nullptr;
  QPushButton* logButton_ = nullptr;
  MiddleElidedLabel* logFile_ = nullptr;
  QLabel* logRows_ = nullptr;
  bool listening_ = false;
};

}  // namespace vlx
