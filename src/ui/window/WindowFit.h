#pragma once
// Where the main window goes when it is first shown: a stored rectangle, or none at first run,
// fitted to the screens there are now. A window must never open where the user cannot reach its
// title bar, menu and status bar: another monitor may have gone, the screen may be smaller or
// scaled since the rectangle was saved, and the pages may want more room than the screen has.
// Pure, so the decisions can be tested against any set of screens.

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

namespace vlx {

struct WindowFitRequest {
  // The window's own area (without the window manager's frame) as stored, if one was.
  std::optional<QRect> stored;
  // The smallest window the pages are laid out for.
  QSize minimum;
  // The window manager's frame around the window's own area (title bar, borders).
  QMargins frame;
  // The available geometry (without panels and docks) of each screen; the primary one first.
  std::vector<QRect> screens;
};

struct WindowFit {
  // The window's own area.
  QRect geometry;
  // The minimum size the window may keep: the requested one, given way where the screen is
  // smaller (the pages then scroll).
  QSize minimum;
};

WindowFit FitWindow(const WindowFitRequest& request);

}  // namespace vlx
