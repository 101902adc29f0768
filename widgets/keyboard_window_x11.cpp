#include "widgets/keyboard_window_x11.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <strings.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* Connection() {
  auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->connection() : nullptr;
}

bool IsKeyboardWindow(xcb_connection_t* c, xcb_window_t window) {
  Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr),
      &std::free);
  if (!reply) return false;
  int length = xcb_get_property_value_length(reply.get());
  const char* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
  // WM_CLASS holds the instance and the class name, each NUL-terminated.
  for (int at = 0; at < length; at += int(std::strlen(value + at)) + 1) {
    if (strncasecmp(value + at, "onboard", 8) == 0) return true;
  }
  return false;
}

// Top-level windows and, below window-manager frames, their first level of children.
xcb_window_t FindKeyboard(xcb_connection_t* c, xcb_window_t parent, int depth) {
  Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr), &std::free);
  if (!tree) return XCB_WINDOW_NONE;
  xcb_window_t* children = xcb_query_tree_children(tree.get());
  int count = xcb_query_tree_children_length(tree.get());
  for (int i = count - 1; i >= 0; --i) {  // topmost first
    if (IsKeyboardWindow(c, children[i])) return children[i];
    if (depth > 0) {
      xcb_window_t inner = FindKeyboard(c, children[i], depth - 1);
      if (inner != XCB_WINDOW_NONE) return inner;
    }
  }
  return XCB_WINDOW_NONE;
}

xcb_window_t KeyboardWindow(xcb_connection_t* c) {
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  return screen != nullptr ? FindKeyboard(c, screen->root, 2) : XCB_WINDOW_NONE;
}

bool Find(KeyboardFrame& frame) {
  xcb_connection_t* c = Connection();
  if (c == nullptr) return false;
  xcb_window_t window = KeyboardWindow(c);
  if (window == XCB_WINDOW_NONE) return false;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  Reply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &std::free);
  Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
  if (!attributes || !geometry) return false;
  Reply<xcb_translate_coordinates_reply_t> origin(
      xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, screen->root, 0, 0), nullptr), &std::free);
  if (!origin) return false;
  // The outer rectangle, border included: moving places its corner.
  int border = geometry->border_width;
  frame.left = origin->dst_x - border;
  frame.top = origin->dst_y - border;
  frame.width = geometry->width + 2 * border;
  frame.height = geometry->height + 2 * border;
  frame.shown = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  return true;
}

bool Show() {
  xcb_connection_t* c = Connection();
  xcb_window_t window = c != nullptr ? KeyboardWindow(c) : XCB_WINDOW_NONE;
  if (window == XCB_WINDOW_NONE) return false;
  xcb_map_window(c, window);
  xcb_flush(c);
  return true;
}

bool MoveTo(int left, int top) {
  xcb_connection_t* c = Connection();
  xcb_window_t window = c != nullptr ? KeyboardWindow(c) : XCB_WINDOW_NONE;
  if (window == XCB_WINDOW_NONE) return false;
  const uint32_t values[] = {uint32_t(left), uint32_t(top)};
  xcb_void_cookie_t cookie =
      xcb_configure_window_checked(c, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
  Reply<xcb_generic_error_t> error(xcb_request_check(c, cookie), &std::free);
  return !error;
}

// Started detached: the keyboard outlives the input it came for and is moved next time.
bool Start() {
  QString program = QStandardPaths::findExecutable(QStringLiteral("onboard"));
  if (program.isEmpty()) return false;
  QStringList arguments;
  // onboard needs a session bus; give it one of its own when the desktop has none.
  QString busRunner = QStandardPaths::findExecutable(QStringLiteral("dbus-run-session"));
  if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") && !busRunner.isEmpty()) {
    arguments = {QStringLiteral("--"), program};
    program = busRunner;
  }
  return QProcess::startDetached(program, arguments);
}

}  // namespace

KeyboardWindowSystem X11KeyboardWindows() {
  KeyboardWindowSystem system;
  system.find = Find;
  system.show = Show;
  system.start = Start;
  system.moveTo = MoveTo;
  return system;
}
