#include "win32-practice-console/Win32PracticeConsole.h"

#include <utility>

#include "core/text/Text.h"
#include "win32-practice-console/PracticeControl.h"

namespace pvx {

namespace {

constexpr const char* kGameClass = practice::kGameWindowClassAnsi;

enum ChildId : int { kInputId = 101, kCopyId = 102, kClearId = 103, kQuitId = 104, kLogId = 105 };

constexpr int kMargin = 4;
constexpr int kLineHeight = 22;
constexpr int kButtonWidth = 64;

HMENU childId(ChildId id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

}  // namespace

Win32PracticeConsole::Win32PracticeConsole(HINSTANCE instance, const Options& options)
    : instance_(instance), game_(options.name) {
  game_.setKeepColours(options.keepColours);
  game_.onLogChanged = [this] { showLog(); };
  if (!registerClasses())
    return;

  // The game's main window has no title: the program finds it by its class alone.
  gameWindow_ = CreateWindowExA(0, kGameClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320,
                                200, nullptr, nullptr, instance_, this);
  openConsole();
  for (const std::string& line : options.lines)
    game_.print(line);
  // Last: whoever waits for the control window finds everything else in place.
  control_ = CreateWindowExA(0, practice::kControlClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                             nullptr, instance_, this);
}

Win32PracticeConsole::~Win32PracticeConsole() {
  game_.onLogChanged = nullptr;
  for (HWND* window : {&console_, &gameWindow_, &control_}) {
    if (*window != nullptr)
      DestroyWindow(*window);
    *window = nullptr;
  }
}

bool Win32PracticeConsole::registerClasses() {
  struct WindowClassDef {
    const char* name;
    WNDPROC proc;
  };
  const WindowClassDef classDefs[] = {{practice::kConsoleClass, &consoleProc},
                                      {kGameClass, &gameProc},
                                      {practice::kControlClass, &controlProc}};
  for (const WindowClassDef& def : classDefs) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = def.proc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    // The "A" call takes the class name as ANSI bytes, so the game window's 0xAE stays one
    // character, "®", as the game registers it.
    wc.lpszClassName = def.name;
    if (RegisterClassA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      return false;
  }
  return true;
}

void Win32PracticeConsole::openConsole() {
  if (console_ != nullptr)
    return;
  console_ =
      CreateWindowExA(0, practice::kConsoleClass, practice::kConsoleTitle, WS_OVERLAPPEDWINDOW, 380,
                      40, 640, 420, nullptr, nullptr, instance_, this);
  if (console_ == nullptr)
    return;
  createChildren();
  layout();
  showLog();
  ShowWindow(console_, SW_SHOW);
}

void Win32PracticeConsole::createChildren() {
  // The order of creation is the child order the program walks: input line first, the log fifth.
  input_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0,
                           0, 0, 0, console_, childId(kInputId), instance_, nullptr);
  const std::pair<const char*, ChildId> buttons[] = {
      {"Copy", kCopyId}, {"Clear", kClearId}, {"Quit", kQuitId}};
  for (const auto& [caption, id] : buttons) {
    CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0,
                    console_, childId(id), instance_, nullptr);
  }
  log_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                         WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                             ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                         0, 0, 0, 0, console_, childId(kLogId), instance_, nullptr);
  // The game wipes its log itself; the control must never cut it shorter.
  SendMessageA(log_, EM_SETLIMITTEXT, 0, 0);

  // Enter in the input line belongs to the game, not to the edit control.
  SetWindowLongPtrA(input_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  editProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(input_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&inputProc)));
}

void Win32PracticeConsole::layout() {
  if (console_ == nullptr)
    return;
  RECT client{};
  GetClientRect(console_, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const int bottom = height - kMargin - kLineHeight;
  const int buttonsLeft = width - kMargin - 3 * (kButtonWidth + kMargin);
  MoveWindow(log_, kMargin, kMargin, width - 2 * kMargin, bottom - 2 * kMargin, TRUE);
  MoveWindow(input_, kMargin, bottom, buttonsLeft - kMargin, kLineHeight, TRUE);
  const ChildId ids[] = {kCopyId, kClearId, kQuitId};
  for (int i = 0; i < 3; ++i) {
    MoveWindow(GetDlgItem(console_, ids[i]), buttonsLeft + i * (kButtonWidth + kMargin) + kMargin,
               bottom, kButtonWidth, kLineHeight, TRUE);
  }
}

void Win32PracticeConsole::showLog() {
  if (log_ == nullptr)
    return;
  SetWindowTextA(log_, game_.log().c_str());
  const int end = GetWindowTextLengthA(log_);
  SendMessageA(log_, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
  SendMessageA(log_, EM_SCROLLCARET, 0, 0);
}

void Win32PracticeConsole::closeConsole() {
  closeOnType_ = false;
  if (console_ != nullptr)
    DestroyWindow(console_);
  console_ = input_ = log_ = nullptr;
}

void Win32PracticeConsole::quit() {
  if (quitting_)
    return;
  quitting_ = true;
  closeConsole();
  if (gameWindow_ != nullptr)
    DestroyWindow(gameWindow_);
  gameWindow_ = nullptr;
  // The control window stays until the loop ends, so that the "quit" being handled is answered.
  PostQuitMessage(0);
}

int Win32PracticeConsole::run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void Win32PracticeConsole::onEnter() {
  // As the game does: take the line, empty the input line, then run the line.
  const int length = GetWindowTextLengthA(input_);
  std::string line(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
  const int copied = GetWindowTextA(input_, line.data(), static_cast<int>(line.size()));
  line.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  SetWindowTextA(input_, "");
  game_.enterLine(line);
}

void Win32PracticeConsole::onCommand(WORD id) {
  switch (id) {
    case kCopyId:
      SendMessageA(log_, EM_SETSEL, 0, -1);
      SendMessageA(log_, WM_COPY, 0, 0);
      break;
    case kClearId:
      game_.clearLog();
      break;
    case kQuitId:
      quit();
      break;
    default:
      break;
  }
}

bool Win32PracticeConsole::control(std::string_view command) {
  const std::size_t blank = command.find(' ');
  const std::string_view word = command.substr(0, blank);
  const std::string_view rest =
      blank == std::string_view::npos ? std::string_view() : command.substr(blank + 1);
  if (word == "print") {
    game_.print(rest);
  } else if (word == "enter") {
    if (input_ == nullptr)
      return false;
    SetWindowTextA(input_, text::toCp1252(rest).c_str());
    SendMessageA(input_, WM_CHAR, '\r', 1);
  } else if (command == "close-console") {
    closeConsole();
  } else if (command == "close-console-on-type") {
    closeOnType_ = console_ != nullptr;
    return closeOnType_;
  } else if (command == "open-console") {
    openConsole();
    return console_ != nullptr;
  } else if (command == "quit") {
    quit();
  } else {
    return false;
  }
  return true;
}

LRESULT Win32PracticeConsole::onInputMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR && wParam == '\r') {
    onEnter();
    return 0;
  }
  if (msg == WM_SETTEXT && closeOnType_) {
    // The text lands first, then the window goes: whoever typed it finds the rest of the window
    // gone mid-way.
    const LRESULT result = CallWindowProcA(editProc_, hwnd, msg, wParam, lParam);
    closeConsole();
    return result;
  }
  return CallWindowProcA(editProc_, hwnd, msg, wParam, lParam);
}

Win32PracticeConsole* Win32PracticeConsole::owner(HWND hwnd, UINT msg, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Win32PracticeConsole*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK Win32PracticeConsole::consoleProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                   LPARAM lParam) {
  Win32PracticeConsole* self = owner(hwnd, msg, lParam);
  if (self != nullptr) {
    switch (msg) {
      case WM_SIZE:
        self->layout();
        return 0;
      case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
          self->onCommand(LOWORD(wParam));
        return 0;
      case WM_CLOSE:
        // Closing the game's console window quits the game.
        self->quit();
        return 0;
      case WM_DESTROY:
        if (hwnd == self->console_)
          self->console_ = self->input_ = self->log_ = nullptr;
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Win32PracticeConsole::inputProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                 LPARAM lParam) {
  auto* self = reinterpret_cast<Win32PracticeConsole*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self->onInputMessage(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Win32PracticeConsole::gameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Win32PracticeConsole* self = owner(hwnd, msg, lParam);
  if (self != nullptr && msg == WM_CLOSE) {
    self->quit();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Win32PracticeConsole::controlProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                   LPARAM lParam) {
  Win32PracticeConsole* self = owner(hwnd, msg, lParam);
  if (self != nullptr && msg == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->dwData != practice::kControlMagic)
      return 0;
    const std::string_view command(static_cast<const char*>(data->lpData), data->cbData);
    return self->control(command) ? 1 : 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace pvx
