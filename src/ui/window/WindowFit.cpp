#include "window/WindowFit.h"

#include <algorithm>

namespace vlx {
namespace {

// The screen a framed rectangle lands on: the one it overlaps most; the primary one when it
// overlaps none (its monitor has gone) or there is no screen at all.
QRect ScreenFor(const QRect& frame, const std::vector<QRect>& screens) {
  QRect best = screens.empty() ? QRect() : screens.front();
  long long bestArea = 0;
  for (const QRect& screen : screens) {
    const QRect overlap = screen.intersected(frame);
    const long long area = static_cast<long long>(overlap.width()) * overlap.height();
    if (area > bestArea) {
      bestArea = area;
      best = screen;
    }
  }
  return best;
}

// Moves `frame` the least distance that puts it inside `area`; `frame` is no larger than `area`.
QRect MovedInside(QRect frame, const QRect& area) {
  frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() - frame.width() + 1));
  frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() - frame.height() + 1));
  return frame;
}

}  // namespace

WindowFit FitWindow(const WindowFitRequest& request) {
  const QRect wanted = request.stored.value_or(QRect(QPoint(0, 0), request.minimum));
  // A first window goes on the primary screen.
  const QRect area = request.stored || request.screens.empty()
                         ? ScreenFor(wanted.marginsAdded(request.frame), request.screens)
                         : request.screens.front();
  if (area.isEmpty()) {
    // Nothing is known of the screens: the window keeps its rules as they are.
    return {QRect(wanted.topLeft(), wanted.size().expandedTo(request.minimum)), request.minimum};
  }
  const QSize room = area.marginsRemoved(request.frame).size().expandedTo(QSize(1, 1));
  const QSize minimum = request.minimum.boundedTo(room);
  const QSize size = wanted.size().expandedTo(minimum).boundedTo(room);

  QRect frame(QPoint(0, 0), size.grownBy(request.frame));
  if (request.stored) {
    frame.moveTopLeft(wanted.topLeft() - QPoint(request.frame.left(), request.frame.top()));
  } else {
    frame.moveCenter(area.center());
  }
  frame = MovedInside(frame, area);
  return {frame.marginsRemoved(request.frame), minimum};
}

}  // namespace vlx
