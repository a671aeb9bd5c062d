#include "window/StatusLabel.h"

#include <QPainter>

namespace vlx {
namespace {

// The bar has one line; the program's texts may carry line breaks inside.
QString OneLine(const std::string& line) {
  return QString::fromStdString(line).replace("\r\n", " ").replace('\n', ' ');
}

// The whole line, wrapped to the screen and with its own line breaks, for the tooltip.
QString WholeLine(const std::string& line) {
  QString html = QString::fromStdString(line).toHtmlEscaped();
  return QStringLiteral("<qt>%1</qt>").arg(html.replace("\r\n", "<br>").replace('\n', "<br>"));
}

}  // namespace

StatusLabel::StatusLabel() {
  setObjectName("statusText");
  // The bar gives the line the room the window has; the line never asks for more.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusLabel::SetLine(const std::string& line) {
  setText(OneLine(line));
  setToolTip(WholeLine(line));
}

bool StatusLabel::IsCut() const {
  return Elided() != text();
}

QSize StatusLabel::minimumSizeHint() const {
  return {0, QLabel::minimumSizeHint().height()};
}

void StatusLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawText(contentsRect(), static_cast<int>(alignment()), Elided());
}

QString StatusLabel::Elided() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

}  // namespace vlx
