#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/win32/Win32MediaKeys.h"

namespace pvx {

namespace {

using Key = MediaControls::Key;

constexpr const wchar_t* kWindowClass = L"ParlevoxMediaKeys";

struct KeyCode {
  Key key;
  UINT virtualKey;
};
constexpr KeyCode kKeys[] = {{Key::PlayPause, VK_MEDIA_PLAY_PAUSE},
                             {Key::Next, VK_MEDIA_NEXT_TRACK},
                             {Key::Previous, VK_MEDIA_PREV_TRACK},
                             {Key::Stop, VK_MEDIA_STOP}};

// A hot key's identifier: its place in kKeys, plus one (0 is taken by no one on purpose).
int idOf(Key key) {
  return static_cast<int>(key) + 1;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* keys = reinterpret_cast<Win32MediaKeys*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (keys != nullptr && keys->handle(message, wParam))
    return 0;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

Win32MediaKeys::Win32MediaKeys(Pressed pressed) : pressed_(std::move(pressed)) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  // Registered again by a second object of the same program: already there, which is as good.
  RegisterClassExW(&windowClass);
  const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      instance, nullptr);
  window_ = window;
  if (window == nullptr) {
    for (const KeyCode& k : kKeys)
      refused_.push_back(k.key);
    return;
  }
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  for (const KeyCode& k : kKeys) {
    // Held down, a key repeats: one press counts once.
    if (RegisterHotKey(window, idOf(k.key), MOD_NOREPEAT, k.virtualKey))
      taken_.push_back(k.key);
    else
      refused_.push_back(k.key);
  }
}

Win32MediaKeys::~Win32MediaKeys() {
  const auto window = static_cast<HWND>(window_);
  if (window == nullptr)
    return;
  for (const Key key : taken_)
    UnregisterHotKey(window, idOf(key));
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

bool Win32MediaKeys::handle(unsigned message, std::uintptr_t wParam) {
  if (message != WM_HOTKEY)
    return false;
  for (const KeyCode& k : kKeys) {
    if (static_cast<std::uintptr_t>(idOf(k.key)) == wParam && pressed_)
      pressed_(k.key);
  }
  return true;
}

}  // namespace pvx
