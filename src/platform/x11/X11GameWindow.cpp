#include "platform/x11/X11GameWindow.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace pvx {

namespace {

constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kSourcePager = 2;
// Frames of window managers nest client windows a few levels deep; deeper trees are not walked.
constexpr int kMaxDepth = 4;

struct FreeReply {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

std::string propertyText(xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->format != 8)
    return {};
  const int n = xcb_get_property_value_length(reply);
  return std::string(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(n < 0 ? 0 : n));
}

}  // namespace

X11GameWindow::X11GameWindow(std::string title) : title_(std::move(title)) {}

X11GameWindow::~X11GameWindow() {
  if (connection_ != nullptr)
    xcb_disconnect(connection_);
}

bool X11GameWindow::connect() {
  if (connection_ != nullptr && xcb_connection_has_error(connection_) == 0)
    return true;
  if (connection_ != nullptr) {
    xcb_disconnect(connection_);
    connection_ = nullptr;
  }
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0')
    return false;
  int screenNumber = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(c) != 0) {
    xcb_disconnect(c);
    return false;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i)
    xcb_screen_next(&it);
  if (it.rem == 0) {
    xcb_disconnect(c);
    return false;
  }
  connection_ = c;
  root_ = it.data->root;
  netWmName_ = atom("_NET_WM_NAME");
  utf8String_ = atom("UTF8_STRING");
  wmChangeState_ = atom("WM_CHANGE_STATE");
  netActiveWindow_ = atom("_NET_ACTIVE_WINDOW");
  return true;
}

std::uint32_t X11GameWindow::atom(const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection_, cookie, nullptr));
  return reply ? reply->atom : 0;
}

std::uint32_t X11GameWindow::find() {
  if (!connect())
    return 0;
  return findBelow(root_, 0);
}

std::uint32_t X11GameWindow::findBelow(std::uint32_t parent, int depth) {
  const Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(connection_, xcb_query_tree(connection_, parent), nullptr));
  if (!tree)
    return 0;  // the window went away meanwhile
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int count = xcb_query_tree_children_length(tree.get());
  // Both titles of every child are asked at once, then read.
  std::vector<xcb_get_property_cookie_t> cookies;
  cookies.reserve(static_cast<std::size_t>(count) * 2);
  for (int i = 0; i < count; ++i) {
    cookies.push_back(
        xcb_get_property(connection_, 0, children[i], netWmName_, utf8String_, 0, 256));
    cookies.push_back(xcb_get_property(connection_, 0, children[i], XCB_ATOM_WM_NAME,
                                       XCB_GET_PROPERTY_TYPE_ANY, 0, 256));
  }
  std::uint32_t found = 0;
  for (int i = 0; i < count; ++i) {
    const Reply<xcb_get_property_reply_t> netName(
        xcb_get_property_reply(connection_, cookies[2 * i], nullptr));
    const Reply<xcb_get_property_reply_t> name(
        xcb_get_property_reply(connection_, cookies[2 * i + 1], nullptr));
    if (found == 0 && (propertyText(netName.get()) == title_ || propertyText(name.get()) == title_))
      found = children[i];
  }
  if (found != 0 || depth + 1 >= kMaxDepth)
    return found;
  for (int i = 0; i < count && found == 0; ++i)
    found = findBelow(children[i], depth + 1);
  return found;
}

void X11GameWindow::sendToRoot(std::uint32_t window, std::uint32_t type, std::uint32_t d0,
                               std::uint32_t d1) {
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof event);
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  event.data.data32[0] = d0;
  event.data.data32[1] = d1;
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
}

bool X11GameWindow::present() {
  return find() != 0;
}

void X11GameWindow::iconify() {
  const std::uint32_t window = find();
  if (window == 0)
    return;
  sendToRoot(window, wmChangeState_, kIconicState, 0);
  xcb_flush(connection_);
}

void X11GameWindow::restore() {
  const std::uint32_t window = find();
  if (window == 0)
    return;
  xcb_map_window(connection_, window);
  const std::uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  sendToRoot(window, netActiveWindow_, kSourcePager, XCB_CURRENT_TIME);
  xcb_flush(connection_);
}

}  // namespace pvx
