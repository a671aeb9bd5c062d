#include "pages/ActivityLog.h"

#include <QFontDatabase>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr int kBatchMs = 100;

}  // namespace

ActivityLog::ActivityLog(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName("activityLog");
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(10);
  setFont(font);
  flushTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, &ActivityLog::FlushQueued);

  // Whether the view follows the end is learnt whenever the view moves, and only then: a new
  // range alone (a new line, a line that wraps once it is laid out, a new width, the first
  // showing of a log filled while hidden) keeps a following view at the end.
  QScrollBar* bar = verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this,
          [this, bar](int value) { followEnd_ = value >= bar->maximum(); });
  connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
    if (followEnd_) {
      bar->setValue(maximum);
    }
  });
}

void ActivityLog::AppendLogLine(const std::string& line, const LocalTime& now) {
  AppendText(QString::fromStdString(
      FormatText("%02u:%02u:%02u ", {now.hour, now.minute, now.second}) + line));
}

void ActivityLog::QueueLine(const std::string& line) {
  queued_.append(QString::fromStdString(line));
  if (!flushTimer_.isActive()) {
    flushTimer_.start(kBatchMs);
  }
}

void ActivityLog::FlushQueued() {
  flushTimer_.stop();
  if (!queued_.isEmpty()) {
    AppendText(queued_.join(QLatin1Char('\n')));
    queued_.clear();
  }
}

void ActivityLog::AppendText(QString text) {
  text.remove(QLatin1Char('\r'));

  QTextCursor end(document());
  end.movePosition(QTextCursor::End);
  if (!document()->isEmpty()) {
    text.prepend(QLatin1Char('\n'));
  }
  end.insertText(text);
  DropOldestLines();
}

void ActivityLog::DropOldestLines() {
  // characterCount() counts the document's closing paragraph separator as well.
  const int excess = document()->characterCount() - 1 - kMaxCharacters;
  if (excess <= 0) {
    return;
  }
  // Whole lines go, so that no line is left cut in half; the newest line always stays.
  QTextBlock firstKept = document()->findBlock(excess);
  if (firstKept.position() < excess && firstKept.next().isValid()) {
    firstKept = firstKept.next();
  }
  QTextCursor cursor(document());
  cursor.setPosition(firstKept.position());
  cursor.setPosition(0, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

}  // namespace vlx
