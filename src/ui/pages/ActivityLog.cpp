#include "pages/ActivityLog.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "UiServices.h"
#include "config/FileReport.h"
#include "model/AppSettings.h"
#include "model/DataFolders.h"
#include "model/FileStore.h"
#include "model/FileSystem.h"
#include "report/Prompts.h"
#include "report/ReportTextIds.h"
#include "report/TextFormat.h"

namespace vlx {
namespace {

constexpr int kBatchMs = 100;
constexpr const char* kLogFileFilter = "Text files (*.txt)|*.txt|All files (*.*)|*.*|";
constexpr const char* kLogFileExtension = "txt";

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

  // Whether the view follows the end is learnt whenever the view moves: a new range alone (a new
  // line, a line that wraps once it is laid out, a new width, the first showing of a log filled
  // while hidden) keeps a following view at the end. A range that leaves the view at its end
  // (the log cleared, or no longer overflowing) makes it follow from then on.
  QScrollBar* bar = verticalScrollBar();
  connect(bar, &QScrollBar::valueChanged, this,
          [this, bar](int value) { followEnd_ = value >= bar->maximum(); });
  connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
    if (followEnd_ || bar->value() >= maximum) {
      followEnd_ = true;
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

void ActivityLog::OfferClearAndSave(UiServices& services, FileStore& files) {
  saving_.emplace(Saving{services, files, {}});
}

QMenu* ActivityLog::CreateContextMenu() {
  auto* menu = new QMenu(this);
  QAction* copyAction = menu->addAction(QStringLiteral("&Copy"), this, &QPlainTextEdit::copy);
  copyAction->setShortcut(QKeySequence::Copy);
  copyAction->setEnabled(textCursor().hasSelection());
  menu->addAction(QStringLiteral("Select &All"), QKeySequence::SelectAll, this,
                  &QPlainTextEdit::selectAll);
  if (saving_) {
    menu->addSeparator();
    menu->addAction(QStringLiteral("C&lear"), this, &ActivityLog::Clear);
    menu->addAction(QStringLiteral("Save &As..."), this, &ActivityLog::SaveAs);
  }
  return menu;
}

void ActivityLog::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = CreateContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

void ActivityLog::Clear() {
  flushTimer_.stop();
  queued_.clear();
  clear();
}

bool ActivityLog::SaveAs() {
  if (!saving_) {
    return false;
  }
  FlushQueued();
  UiServices& services = saving_->services;
  FileSystem& folders = services.app.Files();
  const LocalTime now = services.clock.Now();
  FileBoxRequest request{saving_->folder.empty() ? folders.DocumentsFolder() : saving_->folder,
                         FormatText("ActivityLog.%04u%02u%02uT%02u%02u%02u.%s",
                                    {now.year, now.month, now.day, now.hour, now.minute, now.second,
                                     kLogFileExtension}),
                         kLogFileFilter, kLogFileExtension};
  FileBoxAnswer answer = services.prompts.SaveFileBox(request);
  if (answer.end == FileBoxEnd::kInvalidFileName) {
    // The folder of the last save is gone: the documents folder instead.
    request.folder = folders.DocumentsFolder();
    answer = services.prompts.SaveFileBox(request);
  }
  if (answer.end != FileBoxEnd::kChosen) {
    return false;
  }

  std::string text;
  if (!document()->isEmpty()) {
    for (QTextBlock line = document()->begin(); line.isValid(); line = line.next()) {
      text += line.text().toStdString() + "\r\n";
    }
  }
  const FileOutcome outcome = saving_->files.ReplaceWholeFile(answer.path, text);
  if (!outcome.Succeeded()) {
    ReportFileFailure(services.app.Status(), services.prompts, ids::kErrorCaption, outcome,
                      answer.path);
    return false;
  }
  saving_->folder = FolderOf(answer.path);
  return true;
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
