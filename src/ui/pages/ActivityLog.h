#pragma once
// The Activity Log: a read-only, time-stamped record of the program's status lines. Appending
// is its only way of changing, and a reader who has scrolled back is left where they are. The
// Sending Firmware and Copy Files dialogs' logs are the same view without the stamps.

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <string>

#include "link/Clock.h"

namespace vlx {

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

 private:
  void AppendText(QString text);
  void DropOldestLines();

  QStringList queued_;
  QTimer flushTimer_;
  // The reader keeps the view at the end, so new lines are shown as they come.
  bool followEnd_ = true;
};

}  // namespace vlx
