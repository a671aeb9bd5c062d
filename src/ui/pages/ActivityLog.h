#pragma once
// The Activity Log: a read-only, time-stamped record of the program's status lines that leaves a
// reader who scrolled back where they are. The firmware and copy dialogs' logs are the same view
// without the stamps.

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <optional>
#include <string>

#include "link/Clock.h"

class QMenu;

namespace vlx {

class FileStore;
struct UiServices;

class ActivityLog : public QPlainTextEdit {
 public:
  // The log keeps at most this many characters; beyond it the oldest lines give way.
  static constexpr int kMaxCharacters = 0x200000;

  explicit ActivityLog(QWidget* parent = nullptr);

  // Adds `line` stamped with the time of day of `now`. Line breaks inside the line ("\r\n" as
  // the program's texts carry them) show as breaks.
  void AppendLogLine(const std::string& line, const LocalTime& now);
  // Queues `line` as it is, without a stamp; what is queued within a tenth of a second is added
  // in one edit, so a long trace does not cost an edit per line.
  void QueueLine(const std::string& line);
  // Adds what is queued now.
  void FlushQueued();

  // Offers Clear and Save As... in the context menu. Save As asks for a text file in the
  // window's Save-As box and writes the log there through `files`.
  void OfferClearAndSave(UiServices& services, FileStore& files);
  // Copy and Select All, then Clear and Save As... where offered; the caller owns the menu.
  QMenu* CreateContextMenu();
  // Empties the log, lines still queued included.
  void Clear();
  // Asks for a file and writes the whole log to it, one "\r\n" after each line. A failed write is
  // reported and changes neither the log nor the file it was to replace. False when the user
  // cancelled or the write failed.
  bool SaveAs();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  struct Saving {
    UiServices& services;
    FileStore& files;
    std::string folder;  // where the last log was saved in this run
  };

  void AppendText(QString text);
  void DropOldestLines();

  QStringList queued_;
  QTimer flushTimer_;
  // The reader keeps the view at the end, so new lines are shown as they come.
  bool followEnd_ = true;
  std::optional<Saving> saving_;
};

}  // namespace vlx
