#pragma once
// The status bar's one line of text. A line longer than the bar is drawn cut with an ellipsis and
// never widens the window; the whole line, with its own line breaks, is the tooltip.

#include <QLabel>
#include <string>

namespace vlx {

class StatusLabel final : public QLabel {
 public:
  StatusLabel();

  void SetLine(const std::string& line);
  // Whether the bar, as it is laid out now, shows only part of the line.
  bool IsCut() const;

  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString Elided() const;
};

}  // namespace vlx
