#pragma once
// The Activity Log: a read-only, time-stamped record of the program's status lines. Appending
// is its only way of changing, and a reader who has scrolled back is left where they are. The
// Sending Firmware dialog's log is the same view without the stamps.

#include <QPlainTextEdit>
#include <QStringList>
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
  // Adds the lines as they are, without stamps, in one edit: a long trace goes in batches.
  void AppendLines(const QStringList& lines);

 private:
  void AppendText(QString text);
  void DropOldestLines();
};

}  // namespace vlx
