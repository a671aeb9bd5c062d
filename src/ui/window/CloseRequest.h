#pragma once
// Recognises the window system's close request (close box, Alt+F4) among a widget's native events.
// Qt drops that request for a window a modal dialog blocks, yet the main window must hear it to ask
// whether a firmware load should stop. Only the X11 request is known.

#include <QByteArray>

namespace vlx {

bool IsWindowCloseRequest(const QByteArray& eventType, const void* message);

}  // namespace vlx
