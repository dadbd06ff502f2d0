#pragma once

// An X11 desktop for tests run under Xvfb (xvfb-run): a connection of the test's own to look at
// windows, and openbox as the window manager for the whole run.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../stdio/GameProcess.h"

extern char** environ;

namespace pvx::testing {

inline constexpr std::uint32_t kNormalState = 1, kIconicState = 3;

// A connection of the test's own, for making windows and looking at them.
struct Desktop {
  Desktop() {
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0)
      return;
    root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
  }
  ~Desktop() { xcb_disconnect(connection); }
  bool ok() const { return xcb_connection_has_error(connection) == 0; }

  xcb_atom_t atom(const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return a;
  }
  // A top-level window with this title as WM_NAME, or as _NET_WM_NAME only.
  xcb_window_t makeWindow(const std::string& title, bool netNameOnly = false, bool mapped = true) {
    const xcb_window_t w = xcb_generate_id(connection);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, w, root, 10, 10, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    if (netNameOnly) {
      xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_NAME"),
                          atom("UTF8_STRING"), 8, title.size(), title.data());
    } else {
      xcb_change_property(connection, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING,
                          8, title.size(), title.data());
    }
    if (mapped)
      xcb_map_window(connection, w);
    xcb_flush(connection);
    return w;
  }
  std::uint32_t wmState(xcb_window_t w) {
    const xcb_atom_t state = atom("WM_STATE");
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, w, state, state, 0, 2), nullptr);
    std::uint32_t value = 0;
    if (reply != nullptr && xcb_get_property_value_length(reply) >= 4)
      value = *static_cast<std::uint32_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
  }
  bool viewable(xcb_window_t w) {
    auto* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, w), nullptr);
    const bool v = reply != nullptr && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return v;
  }
  bool hasProperty(xcb_window_t w, xcb_atom_t property) {
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, w, property, XCB_ATOM_ANY, 0, 0), nullptr);
    const bool has = reply != nullptr && reply->type != XCB_ATOM_NONE;
    std::free(reply);
    return has;
  }
  bool hasWindowManager() {
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool has = reply != nullptr && xcb_get_property_value_length(reply) >= 4;
    std::free(reply);
    return has;
  }
  // Waits for X events until done() holds, within the bound for an answer.
  bool until(const std::function<bool()>& done, std::int64_t boundMs = kAnswerBoundMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0)
        return false;
      pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
      ::poll(&fd, 1, static_cast<int>(left < 100 ? left : 100));
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection))
        std::free(event);
    }
    return true;
  }

  // Returns once the window manager has handled whatever reached the X server before the call,
  // from any client: it handles what it is sent in order, so once it has answered a question put
  // to it now (the frame a window would get), all that came before is done. False when it does
  // not answer within the bound for an answer.
  bool windowManagerCaughtUp() {
    const xcb_window_t probe = makeWindow("probe", false, false);
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    xcb_client_message_event_t ask{};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = probe;
    ask.type = atom("_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ask));
    xcb_flush(connection);
    const bool answered = until([&] { return hasProperty(probe, extents); });
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    return answered;
  }

  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
};

// openbox on the display for the whole run.
class WindowManager : public ::testing::Environment {
 public:
  void SetUp() override {
    Desktop desktop;
    ASSERT_TRUE(desktop.ok()) << "no X display: run under xvfb-run";
    char* argv[] = {const_cast<char*>("openbox"), nullptr};
    ASSERT_EQ(::posix_spawnp(&pid_, "openbox", nullptr, nullptr, argv, environ), 0)
        << "openbox is missing";
    ASSERT_TRUE(desktop.until([&] { return desktop.hasWindowManager(); }));
    // It announces itself before it manages windows, and a window mapped meanwhile stays
    // unmanaged: it is ready once a window shown after that gets managed. A new window is shown
    // every half second, and any of them managed will do.
    std::vector<xcb_window_t> probes;
    const auto anyManaged = [&] {
      for (const xcb_window_t probe : probes) {
        if (desktop.wmState(probe) == kNormalState)
          return true;
      }
      return false;
    };
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerBoundMs);
    bool managed = false;
    while (!managed && std::chrono::steady_clock::now() < deadline) {
      probes.push_back(desktop.makeWindow("probe"));
      managed = desktop.until(anyManaged, 500);
    }
    for (const xcb_window_t probe : probes)
      xcb_destroy_window(desktop.connection, probe);
    xcb_flush(desktop.connection);
    ASSERT_TRUE(managed) << "openbox manages no window";
  }
  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace pvx::testing
