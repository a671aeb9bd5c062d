#pragma once
// A file name cut in the middle where there is no room for it whole.

#include <QLabel>
#include <QResizeEvent>

namespace vlx {

// A file name shown whole where there is room and cut in the middle where there is not, so both
// its start (the serial number) and its end (the time and extension) stay readable. It asks for
// no more than a few characters' width: a long name never pushes the controls beside it out of
// view. The holder puts the full path in the tooltip.
class MiddleElidedLabel final : public QLabel {
 public:
  static constexpr int kLeastCharacters = 8;

  void SetFullText(const QString& text) {
    full_ = text;
    updateGeometry();
    Elide();
  }

  QSize sizeHint() const override {
    return QSize(fontMetrics().horizontalAdvance(full_), fontMetrics().height()) + ContentsExtra();
  }
  QSize minimumSizeHint() const override {
    return QSize(fontMetrics().averageCharWidth() * kLeastCharacters, fontMetrics().height()) +
           ContentsExtra();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

 private:
  QSize ContentsExtra() const {
    const QMargins margins = contentsMargins();
    return QSize(margins.left() + margins.right() + 2 * margin(),
                 margins.top() + margins.bottom() + 2 * margin());
  }
  void Elide() {
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width());
    if (shown != text()) {
      setText(shown);
    }
  }

  QString full_;
};

}  // namespace vlx
