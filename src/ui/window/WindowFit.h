#pragma once
// Where the main window first opens: a stored rectangle, or none, fitted to today's screens, so
// its title bar, menu and status bar stay in reach though a monitor has gone, a screen shrunk or
// was scaled, or the pages want more room than a screen has. Pure, for tests on any screens.

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
