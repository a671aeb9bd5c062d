#include "pages/OperatePage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include "DialogUnits.h"
#include "MiddleElidedLabel.h"
#include "UiServices.h"
#include "UiText.h"
#include "faults/FaultRecord.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "model/DeviceFacts.h"
#include "model/FileChoice.h"
#include "operate/ReadingText.h"
#include "operate/TelemetryCsvLog.h"
#include "operate/TelemetryPlot.h"
#include "operate/TelemetryRecorder.h"
#include "report/ErrorText.h"
#include "report/OperateTextIds.h"
#include "report/Prompts.h"
#include "report/StatusSink.h"
#include "report/StringTable.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr int kNormalPointSize = 10;
constexpr int kSelectedBandPointSize = 12;
constexpr int kFieldWidthUnits = 44;
constexpr int kFaultFieldWidthUnits = 90;
constexpr int kBandButtonWidthUnits = 24;
constexpr int kBandButtonsPerRow = 6;
// The bounds OperatePollInterval is loaded within.
constexpr int kPollIntervalMinMs = 100;
constexpr int kPollIntervalMaxMs = 30000;
constexpr int kPollIntervalStepMs = 100;
constexpr std::uint32_t kPlotSpans[] = {1, 5, 15, 60};
constexpr int kPlotMinimumLines = 4;
constexpr std::string_view kTelemetryExtension = "csv";

// Lit labels and a fault carry their own background with their text colour, so they read the
// same in a light or a dark theme; unlit (disabled) labels keep the theme's greyed look.
const QString kOperLitStyle =
    QStringLiteral("QLabel:enabled { background: #1f8f2a; color: white; font-weight: bold; }");
const QString kStbyLitStyle =
    QStringLiteral("QLabel:enabled { background: #f0a400; color: black; font-weight: bold; }");
const QString kFaultStyle =
    QStringLiteral("QLineEdit:enabled { background: #c8141e; color: white; font-weight: bold; }");

QLineEdit* MakeField(const char* objectName, int widthUnits) {
  auto* field = new QLineEdit;
  field->setObjectName(objectName);
  field->setReadOnly(true);
  field->setFocusPolicy(Qt::NoFocus);
  field->setMinimumWidth(HorizontalDialogUnits(field->font(), widthUnits));
  return field;
}

QLabel* MakeLamp(const char* text, const char* objectName, const QString& litStyle) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setObjectName(objectName);
  label->setAlignment(Qt::AlignCenter);
  label->setMargin(2);
  label->setStyleSheet(litStyle);
  return label;
}

// Every poll brings every value again; a line edit repaints (and with it what lies behind it)
// on each setText, so it is given only what differs.
void ShowText(QLineEdit& field, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (field.text() != shown) {
    field.setText(shown);
  }
}

QPushButton* MakeButton(const QString& text, const char* objectName) {
  auto* button = new QPushButton(text);
  button->setObjectName(objectName);
  return button;
}

QFont PointSizedFont(int pointSize, int weight) {
  QFont font = QApplication::font();
  font.setPointSize(pointSize);
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

}  // namespace

OperatePage::OperatePage(UiServices& services, TelemetryRecorder& recorder, QWidget* parent)
    : Page(QStringLiteral("Operate"), parent),
      services_(services),
      recorder_(recorder),
      poller_(services.app, &recorder) {
  setObjectName("operatePage");
}

// The panel, the plot and their style sheets cost more than the rest of the window's pages
// together, and many runs never open this page: they are built when it is first shown.
void OperatePage::BuildControls() {
  plot_ = new TelemetryPlot;
  plot_->setObjectName("telemetryPlot");
  plot_->SetHistory(&recorder_.History());
  plot_->SetSpanMinutes(services_.app.operatePlotMinutes.Get());
  plot_->setVisible(services_.app.operatePlotVisible.Get() != 0);
  // The plot asks for no more height than a few lines: the window's minimum stays that of a page.
  plot_->setMinimumHeight(QFontMetrics(font()).height() * kPlotMinimumLines);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildFrontPanel());
  layout->addWidget(plot_, 1);
  // Takes the height only while the plot is hidden.
  layout->addStretch(0);
  layout->addLayout(BuildTelemetryStrip());
  layout->addLayout(BuildLogLine());

  recorder_.SetSampleHandler([this](const TelemetrySample&) { OnSampleRecorded(); });
  poller_.SetStandbyReasonHandler([this](std::uint8_t fault) {
    services_.app.Status().StatusText(
        FormatText(ids::kOperateRefusedForFault, {CurrentFaultText(fault)}));
  });
  recorder_.SetLogFailureHandler(
      [this](const std::string& path, ErrorCode code) { OnLogFailed(path, code); });
  ShowLog();
  // Nothing may be pressed before the amplifier is known to operate.
  ShowDeviceState();
}

QSize OperatePage::sizeHint() const {
  return TemplateSize().expandedTo(minimumSizeHint());
}

OperatePage::~OperatePage() {
  poller_.Stop();
  StopListening();
  recorder_.SetSampleHandler({});
  recorder_.SetLogFailureHandler({});
}

QWidget* OperatePage::BuildFrontPanel() {
  panel_ = new QWidget;
  panel_->setObjectName("frontPanel");
  auto* grid = new QGridLayout(panel_);

  paVoltage_ = MakeField("paVoltage", kFieldWidthUnits);
  paCurrent_ = MakeField("paCurrent", kFieldWidthUnits);
  temperature_ = MakeField("temperature", kFieldWidthUnits);
  power_ = MakeField("power", kFieldWidthUnits);
  swr_ = MakeField("swr", kFieldWidthUnits);
  band_ = MakeField("band", kFieldWidthUnits);
  const std::pair<const char*, QLineEdit*> readings[] = {
      {"PA Voltage:", paVoltage_},
      {"PA Current:", paCurrent_},
      {"Temperature:", temperature_},
      {"Power:", power_},
      {"SWR:", swr_},
      {"Band:", band_},
  };
  int row = 0;
  for (const auto& [caption, field] : readings) {
    grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, 0);
    grid->addWidget(field, row, 1);
    ++row;
  }

  const QFont normal = PointSizedFont(kNormalPointSize, QFont::Normal);
  auto* bands = new QGroupBox(QStringLiteral("Band Select"));
  bands->setObjectName("bandSelect");
  auto* bandGrid = new QGridLayout(bands);
  for (std::size_t index = 0; index < bandButtons_.size(); ++index) {
    auto* button = new QPushButton(QString::fromUtf8(
        kBandCaptions[index].data(), static_cast<qsizetype>(kBandCaptions[index].size())));
    button->setObjectName(QStringLiteral("band%1").arg(index));
    button->setFont(normal);
    button->setMinimumWidth(HorizontalDialogUnits(normal, kBandButtonWidthUnits));
    bandButtons_[index] = button;
    connect(button, &QPushButton::clicked, this,
            [this, index] { poller_.RequestBand(static_cast<std::uint8_t>(index)); });
    const int position = static_cast<int>(index);
    bandGrid->addWidget(button, position / kBandButtonsPerRow, position % kBandButtonsPerRow);
  }

  auto* faultGroup = new QGroupBox(QStringLiteral("Current Fault"));
  faultGroup->setObjectName("currentFaultGroup");
  fault_ = MakeField("currentFault", kFaultFieldWidthUnits);
  clear_ = MakeButton(QStringLiteral("Clear"), "clearFault");
  auto* faultRow = new QHBoxLayout(faultGroup);
  faultRow->addWidget(fault_, 1);
  faultRow->addWidget(clear_);

  operateStandby_ = MakeButton(LoadText(ids::kOperate), "operateStandby");
  operLabel_ = MakeLamp("OPER", "operLamp", kOperLitStyle);
  stbyLabel_ = MakeLamp("STBY", "stbyLamp", kStbyLitStyle);
  onOff_ = MakeButton(LoadText(ids::kOn), "onOff");

  // The poller takes a press only in the device states that allow it.
  connect(clear_, &QPushButton::clicked, this, [this] { poller_.RequestClearFault(); });
  connect(operateStandby_, &QPushButton::clicked, this, [this] { poller_.RequestOperateToggle(); });
  connect(onOff_, &QPushButton::clicked, this, [this] { poller_.RequestPower(); });

  auto* modeRow = new QHBoxLayout;
  modeRow->addWidget(operLabel_);
  modeRow->addWidget(operateStandby_, 1);
  modeRow->addWidget(stbyLabel_);
  modeRow->addSpacing(HorizontalDialogUnits(font(), 16));
  modeRow->addWidget(onOff_, 1);

  grid->addWidget(bands, 0, 3, 3, 1);
  grid->addWidget(faultGroup, 3, 3, 2, 1);
  grid->addLayout(modeRow, 5, 3);
  grid->setColumnMinimumWidth(2, HorizontalDialogUnits(font(), 8));
  grid->setColumnStretch(3, 1);
  return panel_;
}

QHBoxLayout* OperatePage::BuildTelemetryStrip() {
  auto* pollInterval = new QSpinBox;
  pollInterval->setObjectName("pollInterval");
  pollInterval->setRange(kPollIntervalMinMs, kPollIntervalMaxMs);
  pollInterval->setSingleStep(kPollIntervalStepMs);
  pollInterval->setValue(static_cast<int>(services_.app.operatePollInterval.Get()));
  // Only a finished entry is taken: typing 2000 should not poll at 200 ms on the way.
  pollInterval->setKeyboardTracking(false);
  connect(pollInterval, &QSpinBox::valueChanged, this, [this](int value) {
    services_.app.operatePollInterval.Publish(static_cast<std::uint32_t>(value));
  });

  AppSettings& app = services_.app;
  auto* span = new QComboBox;
  span->setObjectName("plotSpan");
  for (const std::uint32_t minutes : kPlotSpans) {
    span->addItem(QStringLiteral("%1 min").arg(minutes), minutes);
  }
  span->setCurrentIndex(span->findData(plot_->SpanMinutes()));
  connect(span, &QComboBox::activated, this, [this, span](int index) {
    const std::uint32_t minutes = span->itemData(index).toUInt();
    services_.app.operatePlotMinutes.Publish(minutes);
    plot_->SetSpanMinutes(minutes);
  });

  auto* showPlot = new QCheckBox(QStringLiteral("Show plot"));
  showPlot->setObjectName("plotVisible");
  showPlot->setChecked(app.operatePlotVisible.Get() != 0);
  connect(showPlot, &QCheckBox::toggled, this, [this](bool visible) {
    services_.app.operatePlotVisible.Publish(visible ? 1 : 0);
    plot_->setVisible(visible);
  });

  logButton_ = MakeButton(LoadText(ids::kStartLog), "logButton");
  connect(logButton_, &QPushButton::clicked, this, &OperatePage::ToggleLog);

  const auto caption = [](const char* text, const char* objectName) {
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setObjectName(objectName);
    return label;
  };
  auto* strip = new QHBoxLayout;
  strip->addWidget(caption("Poll every", "pollEvery"));
  strip->addWidget(pollInterval);
  strip->addWidget(caption("ms", "pollUnit"));
  strip->addSpacing(HorizontalDialogUnits(font(), 8));
  strip->addWidget(caption("Plot span", "plotSpanCaption"));
  strip->addWidget(span);
  strip->addWidget(showPlot);
  strip->addSpacing(HorizontalDialogUnits(font(), 8));
  strip->addWidget(logButton_);
  strip->addStretch(1);
  return strip;
}

// A line of its own, so that the controls above keep their whole texts at the least window size
// however long the file's name and however many its rows.
QHBoxLayout* OperatePage::BuildLogLine() {
  logFile_ = new MiddleElidedLabel;
  logFile_->setObjectName("logFile");
  logRows_ = new QLabel;
  logRows_->setObjectName("logRows");
  // One line high even while no log has been kept: starting one moves nothing.
  logRows_->setMinimumHeight(logRows_->fontMetrics().height());
  auto* line = new QHBoxLayout;
  line->addWidget(logFile_, 1);
  line->addWidget(logRows_);
  return line;
}

void OperatePage::ToggleLog() {
  if (recorder_.Logging()) {
    recorder_.StopLog();
  } else {
    StartLog();
  }
  ShowLog();
}

void OperatePage::StartLog() {
  AppSettings& app = services_.app;
  const std::optional<std::string> path = AskFileToSave(
      services_.prompts, app,
      FileQuestion{app.telemetryFolder, kTelemetryLeaf,
                   TelemetryLogFileName(app.serialNumber.Get(), services_.clock.Now()),
                   FileFilter(ids::kTelemetryLogFileFilter, kTelemetryExtension),
                   std::string(kTelemetryExtension)});
  if (!path.has_value()) {
    return;
  }
  app.telemetryFolder.Publish(FolderOf(*path));
  if (const ErrorCode code = recorder_.StartLog(*path); code != err::kSuccess) {
    const std::string text =
        FormatText(ids::kTelemetryLogNotStarted, {*path, FormatErrorText(code)});
    app.Status().StatusText(text);
    services_.prompts.MessageBox(text, std::string(LoadString(ids::kTelemetryLogCaption)),
                                 mb::kIconError);
  }
}

void OperatePage::ShowLog() {
  const bool logging = recorder_.Logging();
  logButton_->setText(LoadText(logging ? ids::kStopLog : ids::kStartLog));
  const QString path = QString::fromStdString(recorder_.LogPath());
  logFile_->SetFullText(QFileInfo(path).fileName());
  logFile_->setToolTip(path);
  logRows_->setText(
      logging ? QString::fromStdString(FormatText(
                    ids::kTelemetryLogRows, {static_cast<std::uint32_t>(recorder_.LogRows())}))
              : QString());
}

void OperatePage::OnSampleRecorded() {
  plot_->OnSampleAdded();
  if (recorder_.Logging()) {
    ShowLog();
  }
}

// The recorder reports from inside the poll run's end: the box of the services' prompts (the
// model's deferred boxes) waits in the model's queue until that dispatch has returned.
void OperatePage::OnLogFailed(const std::string& path, ErrorCode code) {
  const std::string text = TelemetryLogStoppedText(path, code);
  services_.app.Status().StatusText(text);
  services_.prompts.MessageBox(text, std::string(LoadString(ids::kTelemetryLogCaption)),
                               mb::kIconError);
  ShowLog();
}

void OperatePage::showEvent(QShowEvent* event) {
  Page::showEvent(event);
  // The displays and the enabling rules first, so the first cycle's readings land on them.
  StartListening();
  poller_.Start();
  // The page opens with the focus on OPER/STBY, the control most often wanted.
  if (!event->spontaneous() && operateStandby_->isEnabled()) {
    operateStandby_->setFocus(Qt::TabFocusReason);
  }
}

void OperatePage::hideEvent(QHideEvent* event) {
  Page::hideEvent(event);
  // A minimised window hides its pages spontaneously; that is no reason to stop watching.
  if (!event->spontaneous()) {
    poller_.Stop();
    StopListening();
  }
}

void OperatePage::StartListening() {
  if (listening_) {
    return;
  }
  listening_ = true;
  AppSettings& app = services_.app;
  app.band.SubscribeAndSend(*this);
  app.deviceState.SubscribeAndSend(*this);
  app.paCurrent.SubscribeAndSend(*this);
  app.currentFault.SubscribeAndSend(*this);
  app.operateMode.SubscribeAndSend(*this);
  app.power.SubscribeAndSend(*this);
  app.swr.SubscribeAndSend(*this);
  app.temperature.SubscribeAndSend(*this);
  app.paVoltage.SubscribeAndSend(*this);
}

void OperatePage::StopListening() {
  if (!listening_) {
    return;
  }
  listening_ = false;
  AppSettings& app = services_.app;
  app.band.Unsubscribe(*this);
  app.deviceState.Unsubscribe(*this);
  app.paCurrent.Unsubscribe(*this);
  app.currentFault.Unsubscribe(*this);
  app.operateMode.Unsubscribe(*this);
  app.power.Unsubscribe(*this);
  app.swr.Unsubscribe(*this);
  app.temperature.Unsubscribe(*this);
  app.paVoltage.Unsubscribe(*this);
}

void OperatePage::OnMessage(MessageId id, MessageParam) {
  const AppSettings& app = services_.app;
  switch (id) {
    case kMsgDeviceState:
      ShowDeviceState();
      break;
    case kMsgBand:
      ShowBand();
      break;
    case kMsgCurrentFault:
      ShowCurrentFault();
      break;
    case kMsgOperateMode:
      ShowOperateMode();
      break;
    case kMsgPaVoltage:
      ShowReading(*paVoltage_, PaVoltageText(app.paVoltage.Get()));
      break;
    case kMsgPaCurrent:
      ShowReading(*paCurrent_, PaCurrentText(app.paCurrent.Get()));
      break;
    case kMsgTemperature:
      ShowReading(*temperature_, TemperatureText(app.temperature.Get()));
      break;
    case kMsgPower:
      ShowReading(*power_, PowerText(app.power.Get()));
      break;
    case kMsgSwr:
      ShowReading(*swr_, SwrText(app.swr.Get()));
      break;
    default:
      break;
  }
}

void OperatePage::ShowDeviceState() {
  const std::uint32_t state = services_.app.deviceState.Get();
  const bool operating = state == device_state::kOperating;
  onOff_->setText(LoadText(operating ? ids::kOff : ids::kOn));
  // Disabling a control that holds the focus passes the focus on to the next one first.
  for (QWidget* child : panel_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child == onOff_) {
      child->setEnabled(operating || state == device_state::kWaitingInLoader);
    } else if (child == operLabel_ || child == stbyLabel_) {
      child->setEnabled(false);
    } else {
      child->setEnabled(operating);
    }
  }
  if (operating) {
    ShowOperateMode();
  }
}

void OperatePage::ShowOperateMode() {
  const bool operate = services_.app.operateMode.Get() == 1;
  const bool operating = services_.app.deviceState.Get() == device_state::kOperating;
  operateStandby_->setText(LoadText(operate ? ids::kStandby : ids::kOperate));
  operLabel_->setEnabled(operate && operating);
  stbyLabel_->setEnabled(!operate && operating);
}

void OperatePage::ShowBand() {
  const std::uint32_t band = services_.app.band.Get();
  if (band >= bandButtons_.size() || band == shownBand_) {
    return;
  }
  shownBand_ = band;
  const QFont normal = PointSizedFont(kNormalPointSize, QFont::Normal);
  const QFont selected = PointSizedFont(kSelectedBandPointSize, QFont::Black);
  for (std::size_t index = 0; index < bandButtons_.size(); ++index) {
    bandButtons_[index]->setFont(index == band ? selected : normal);
  }
  band_->setText(QString::fromStdString(BandText(band)));
}

void OperatePage::ShowCurrentFault() {
  const std::uint8_t fault = services_.app.currentFault.Get();
  ShowText(*fault_, CurrentFaultText(fault));
  const QString style = HoldsFault(fault) ? kFaultStyle : QString();
  if (fault_->styleSheet() != style) {
    fault_->setStyleSheet(style);
  }
}

void OperatePage::ShowReading(QLineEdit& field, const std::string& text) {
  ShowText(field, text);
  if (services_.app.trace.Get() != 0) {
    services_.app.Status().StatusText(text);
  }
}

}  // namespace vlx
