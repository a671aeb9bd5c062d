#include "window/CloseRequest.h"

#include <QGuiApplication>

#if defined(VLX_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

namespace vlx {

#if defined(VLX_HAVE_XCB) && QT_CONFIG(xcb)
namespace {

struct CloseAtoms {
  xcb_atom_t protocols = XCB_ATOM_NONE;
  xcb_atom_t deleteWindow = XCB_ATOM_NONE;
};

xcb_atom_t Intern(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  xcb_atom_t atom = XCB_ATOM_NONE;
  if (reply != nullptr) {
    atom = reply->atom;
  }
  std::free(reply);
  return atom;
}

// Interned once, on the first client message: Qt has interned both for its windows already.
const CloseAtoms& Atoms(xcb_connection_t* connection) {
  static const CloseAtoms atoms{Intern(connection, "WM_PROTOCOLS"),
                                Intern(connection, "WM_DELETE_WINDOW")};
  return atoms;
}

}  // namespace

bool IsWindowCloseRequest(const QByteArray& eventType, const void* message) {
  if (eventType != "xcb_generic_event_t" || message == nullptr) {
    return false;
  }
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) {
    return false;
  }
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr) {
    return false;
  }
  const auto* client = static_cast<const xcb_client_message_event_t*>(message);
  const CloseAtoms& atoms = Atoms(x11->connection());
  return client->format == 32 && client->type == atoms.protocols &&
         client->data.data32[0] == atoms.deleteWindow && atoms.deleteWindow != XCB_ATOM_NONE;
}

#else

bool IsWindowCloseRequest(const QByteArray&, const void*) {
  return false;
}

#endif

}  // namespace vlx
