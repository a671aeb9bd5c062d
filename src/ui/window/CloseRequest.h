#pragma once
// Recognises the window system's request to close a top-level window (its close box, or the
// window manager's Alt+F4) among the native events Qt hands a widget. Qt drops that request for
// a window a modal dialog blocks, so the main window must hear it natively to ask whether a
// firmware load should stop. Only the X11 request is known; elsewhere nothing is recognised.

#include <QByteArray>

namespace vlx {

bool IsWindowCloseRequest(const QByteArray& eventType, const void* message);

}  // namespace vlx
