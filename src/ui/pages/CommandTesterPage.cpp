#include "pages/CommandTesterPage.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolTip>
#include <QVBoxLayout>

#include "Latin1Validator.h"
#include "UiServices.h"
#include "UiText.h"
#include "dialogs/EditMacrosDialog.h"
#include "model/AppSettings.h"
#include "model/DeviceFacts.h"
#include "model/MessageIds.h"
#include "report/WindowTextIds.h"

namespace vlx {
namespace {

constexpr int kMacroColumns = 4;
constexpr int kFixedPitchPointSize = 10;

// The output is always black on white, whatever the theme, so that the green of sent text and
// the black of received text read the same everywhere.
constexpr QRgb kSentColour = 0x009900;
constexpr QRgb kReceivedColour = 0x000000;

QTextCharFormat ColourOnly(QRgb colour) {
  QTextCharFormat format;
  format.setForeground(QColor(colour));
  return format;
}

void PaintBlackOnWhite(QWidget& widget) {
  QPalette palette = widget.palette();
  for (const QPalette::ColorGroup group :
       {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, Qt::white);
    palette.setColor(group, QPalette::Text, Qt::black);
  }
  widget.setPalette(palette);
}

}  // namespace

CommandTesterPage::CommandTesterPage(UiServices& services, QWidget* parent)
    : Page(QStringLiteral("Command Tester"), parent),
      services_(services),
      tester_(services.app),
      sentFormat_(ColourOnly(kSentColour)),
      receivedFormat_(ColourOnly(kReceivedColour)) {
  setObjectName("commandTesterPage");
  setMinimumSize(TemplateSize());
  tester_.SetReceivedSink([this](std::string_view bytes) { ShowReceived(bytes); });
}

void CommandTesterPage::BuildControls() {
  line_ = new QLineEdit;
  output_ = new QTextEdit;
  editMacros_ = new QPushButton(QStringLiteral("Edit Macros"));
  clear_ = new QPushButton(QStringLiteral("Clear"));

  QFont fixedPitch = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixedPitch.setPointSize(kFixedPitchPointSize);

  line_->setObjectName("commandLine");
  line_->setFont(fixedPitch);
  line_->setValidator(new Latin1Validator(line_, [this] { ShowLatin1Hint(); }));
  line_->installEventFilter(this);
  connect(line_, &QLineEdit::textEdited, this, &CommandTesterPage::OnLineEdited);
  connect(line_, &QLineEdit::returnPressed, this, [this] { SendText(line_->text(), line_); });

  output_->setObjectName("testerOutput");
  output_->setFont(fixedPitch);
  output_->setReadOnly(true);
  output_->setUndoRedoEnabled(false);
  output_->setLineWrapMode(QTextEdit::WidgetWidth);
  output_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  PaintBlackOnWhite(*output_);

  editMacros_->setObjectName("editMacros");
  clear_->setObjectName("clearOutput");
  clear_->setToolTip(LoadText(ids::kTipClearOutput));
  connect(editMacros_, &QPushButton::clicked, this, &CommandTesterPage::EditMacros);
  connect(clear_, &QPushButton::clicked, this, [this] {
    output_->clear();
    clear_->setFocus();
  });

  auto* top = new QHBoxLayout;
  auto* prompt = new QLabel(QStringLiteral("Enter VLX command. Enter key or semicolon sends:"));
  top->addWidget(prompt, 1);
  top->addWidget(editMacros_);
  top->addWidget(clear_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(line_);
  layout->addWidget(BuildMacroButtons());
  layout->addWidget(output_, 1);

  // Nothing can be sent before an amplifier answers.
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    child->setEnabled(false);
  }
}

CommandTesterPage::~CommandTesterPage() {
  StopListening();
}

QWidget* CommandTesterPage::BuildMacroButtons() {
  auto* group = new QWidget;
  group->setObjectName("macroButtons");
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    auto* button = new QPushButton;
    button->setObjectName(QStringLiteral("macro%1").arg(i + 1));
    connect(button, &QPushButton::clicked, this, [this, i] { SendMacro(i); });
    const int index = static_cast<int>(i);
    grid->addWidget(button, index / kMacroColumns, index % kMacroColumns);
    macros_[i] = button;
  }
  for (int column = 0; column < kMacroColumns; ++column) {
    grid->setColumnStretch(column, 1);
  }
  return group;
}

void CommandTesterPage::showEvent(QShowEvent* event) {
  Page::showEvent(event);
  StartListening();
}

void CommandTesterPage::hideEvent(QHideEvent* event) {
  Page::hideEvent(event);
  if (!event->spontaneous()) {
    StopListening();
  }
}

void CommandTesterPage::StartListening() {
  if (listening_) {
    return;
  }
  listening_ = true;
  AppSettings& app = services_.app;
  app.commandCaption.Subscribe(*this);
  for (std::size_t i = 0; i < kStringArraySize; ++i) {
    OnMessage(kMsgCommandCaption, i);
  }
  app.deviceState.SubscribeAndSend(*this);
}

void CommandTesterPage::StopListening() {
  if (listening_) {
    listening_ = false;
    services_.app.commandCaption.Unsubscribe(*this);
    services_.app.deviceState.Unsubscribe(*this);
  }
}

void CommandTesterPage::OnMessage(MessageId id, MessageParam wParam) {
  if (id == kMsgDeviceState) {
    const bool present = services_.app.deviceState.Get() != device_state::kNotResponding;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      child->setEnabled(present);
    }
  } else if (id == kMsgCommandCaption && wParam < kStringArraySize) {
    macros_[wParam]->setText(QString::fromStdString(services_.app.commandCaption.Get()[wParam]));
  }
}

void CommandTesterPage::OnSerialEvent() {
  tester_.OnSerialEvent();
}

bool CommandTesterPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == line_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      Recall(key == Qt::Key_Up ? -1 : 1);
      return true;
    }
  }
  return Page::eventFilter(watched, event);
}

void CommandTesterPage::OnLineEdited(const QString& text) {
  recallAt_ = sent_.size();
  if (text.endsWith(QLatin1Char(';'))) {
    SendText(text, line_);
  }
}

void CommandTesterPage::SendMacro(std::size_t index) {
  const QString macro = QString::fromStdString(services_.app.commandText.Get()[index]);
  SendText(line_->text() + macro, macros_[index]);
}

void CommandTesterPage::SendText(const QString& text, QWidget* focusReturn) {
  if (text.isEmpty() || services_.app.deviceState.Get() == device_state::kNotResponding) {
    return;
  }
  line_->clear();
  Append(text, sentFormat_);
  // A failed write has been told by the port itself, as every write failure is.
  tester_.Send(LineBytes(text));
  Append(QStringLiteral("\n"), sentFormat_);
  if (sent_.empty() || sent_.back() != text) {
    sent_.push_back(text);
  }
  recallAt_ = sent_.size();
  draft_.clear();
  focusReturn->setFocus();
}

void CommandTesterPage::Recall(int step) {
  if (step < 0 && recallAt_ == 0) {
    return;
  }
  if (step > 0 && recallAt_ >= sent_.size()) {
    return;
  }
  if (recallAt_ == sent_.size()) {
    draft_ = line_->text();
  }
  recallAt_ = step < 0 ? recallAt_ - 1 : recallAt_ + 1;
  line_->setText(recallAt_ < sent_.size() ? sent_[recallAt_] : draft_);
}

void CommandTesterPage::ShowReceived(std::string_view bytes) {
  Append(LineText(bytes), receivedFormat_);
}

// Text goes at the end; the view follows it only if it was at the bottom, so that what the user
// scrolled back to read stays in place.
void CommandTesterPage::Append(const QString& text, const QTextCharFormat& format) {
  QScrollBar* bar = output_->verticalScrollBar();
  const bool atBottom = bar->value() >= bar->maximum() || bar->pageStep() == 0;
  QTextCursor cursor(output_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text, format);
  if (atBottom) {
    bar->setValue(bar->maximum());
  }
}

void CommandTesterPage::EditMacros() {
  EditMacrosDialog dialog(services_, this);
  dialog.exec();
  editMacros_->setFocus();
}

void CommandTesterPage::ShowLatin1Hint() {
  const QPoint below = line_->mapToGlobal(QPoint(0, line_->height()));
  QToolTip::showText(below, LoadText(ids::kLatin1Only), line_);
}

}  // namespace vlx
