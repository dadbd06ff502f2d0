#include "win32-practice-console/Win32PracticeConsole.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/text/Text.h"
#include "win32-practice-console/PracticeControl.h"

namespace pvx {

namespace {

constexpr const char* kGameClass = practice::kGameWindowClassAnsi;

// The children's ids, as the game numbers them.
enum ChildId : int {
  kCopyId = 1,
  kQuitId = 2,
  kClearId = 3,
  kErrorBoxId = 10,
  kLogId = 100,
  kInputId = 101
};

// The console's client area and its children's places, as the game lays them out.
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 450;
constexpr DWORD kConsoleStyle = WS_POPUPWINDOW | WS_CAPTION | WS_MINIMIZEBOX;
// The log takes at most this many characters; past it the game wipes it.
constexpr std::size_t kLogLimit = 0x7fff;
// The longest print the game shows: only the end of a longer one.
constexpr std::size_t kLongestPrint = 16383;
// The fatal error's box holds this many bytes of its text.
constexpr std::size_t kErrorTextMax = 79;

// The game's frame: this long spent rendering, nothing pumped; the rest of kFrameMs it waits for
// its frame rate, pumping and reading as messages come.
constexpr DWORD kRenderMs = 2;
constexpr DWORD kFrameMs = 8;
// The frame of a game that renders whole frames (60 a second): two passes of its event loop, then
// the render for the rest of it.
constexpr std::int64_t kRenderBoundFrameMs = 16;
// The player's input that piles up in the game's queue during a map load.
constexpr int kInputDuringStall = 6;

HMENU childId(ChildId id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

std::wstring toWide(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

// Text (UTF-8) in the system's ANSI code page, as the game's own strings and prints are: the
// console is an ANSI window.
std::string ansi(std::string_view utf8) {
  const std::wstring wide = toWide(utf8);
  if (wide.empty())
    return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// The record's details on one line: a backslash, line breaks and other control bytes escaped.
std::string escaped(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

// What the game's console window shows of a print: colour escapes ^0 to ^7 removed, every line
// break ("\n", "\r" or "\n\r") made "\r\n".
std::string logText(std::string_view msg) {
  if (msg.size() > kLongestPrint)
    msg = msg.substr(msg.size() - kLongestPrint);
  std::string out;
  for (std::size_t i = 0; i < msg.size(); ++i) {
    const char c = msg[i];
    if (c == '\n' && i + 1 < msg.size() && msg[i + 1] == '\r') {
      out += "\r\n";
      ++i;
    } else if (c == '\n' || c == '\r') {
      out += "\r\n";
    } else if (c == '^' && i + 1 < msg.size() && msg[i + 1] >= '0' && msg[i + 1] <= '7') {
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::string windowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      std::max(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size())), 0)));
  return text;
}

}  // namespace

Win32PracticeConsole::Win32PracticeConsole(HINSTANCE instance, const Options& options)
    : instance_(instance),
      startTick_(GetTickCount64()),
      game_(
          ansi(options.name), options.server,
          [this](std::string_view event, std::string_view details) { record(event, details); },
          [this](std::string_view ansiText) { appendLog(ansiText); }) {
  renderBound_ = options.renderBound;
  tellsChanges_ = options.tellsChanges;
  if (!options.recordPath.empty()) {
    recordFile_ = CreateFileW(toWide(options.recordPath).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  record("start", "name=" + game_.name() + " hidden=" + (options.hidden ? "1" : "0") +
                      " round-trip=" + std::to_string(options.server.roundTripMs) +
                      " flood-protect=" + (options.server.floodProtect ? "1" : "0") +
                      " render-bound=" + (renderBound_ ? "1" : "0") +
                      " tells-changes=" + (tellsChanges_ ? "1" : "0"));
  if (!registerClasses())
    return;

  // The game's main window has no title: the program finds it by its class alone.
  gameWindow_ = CreateWindowExA(0, kGameClass, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 320,
                                200, nullptr, nullptr, instance_, this);
  openConsole();
  for (const std::string& line : options.lines)
    appendLog(ansi(line) + "\n");
  // Start-up over, the game hides its console unless the player asked to see it.
  if (options.hidden)
    showConsole(false);
  // Last: whoever waits for the control window finds everything else in place.
  control_ = CreateWindowExA(0, practice::kControlClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                             nullptr, instance_, this);
}

Win32PracticeConsole::~Win32PracticeConsole() {
  recordCosts();
  for (HWND* window : {&console_, &gameWindow_, &control_}) {
    if (*window != nullptr)
      DestroyWindow(*window);
    *window = nullptr;
  }
  if (recordFile_ != INVALID_HANDLE_VALUE)
    CloseHandle(recordFile_);
}

std::int64_t Win32PracticeConsole::nowMs() const {
  return static_cast<std::int64_t>(GetTickCount64() - startTick_);
}

void Win32PracticeConsole::record(std::string_view event, std::string_view details) {
  if (recordFile_ == INVALID_HANDLE_VALUE)
    return;
  std::string line = std::to_string(nowMs()) + " " + std::string(event);
  if (!details.empty())
    line += " " + escaped(details);
  line += "\n";
  // Written at once: a test reads the record while the game runs.
  DWORD written = 0;
  WriteFile(recordFile_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
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
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INACTIVEBORDER));
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
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&frame, kConsoleStyle, FALSE);
  const int width = frame.right - frame.left + 1;
  const int height = frame.bottom - frame.top + 1;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2;
  console_ = CreateWindowExA(0, practice::kConsoleClass, practice::kConsoleTitle, kConsoleStyle,
                             left, top, width, height, nullptr, nullptr, instance_, this);
  if (console_ == nullptr)
    return;

  // The children in the game's order: the input line, the three buttons (their text set once
  // they are made), the log.
  input_ = CreateWindowA("edit", nullptr,
                         WS_CHILD | WS_VISIBLE | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP,
                         6, 400, width - 20, 20, console_, childId(kInputId), instance_, nullptr);
  const struct {
    const char* caption;
    ChildId id;
    int x;
  } buttons[] = {{"Copy", kCopyId, 5}, {"Clear", kClearId, 82}, {"Quit", kQuitId, width - 92}};
  for (const auto& button : buttons) {
    const HWND hwnd = CreateWindowA(
        "button", nullptr, BS_PUSHBUTTON | WS_VISIBLE | WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP,
        button.x, 425, 72, 24, console_, childId(button.id), instance_, nullptr);
    SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(button.caption));
    countedProcs_[hwnd] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countedProc)));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  // Multi-line and read-only, without horizontal scrolling: long lines wrap at words.
  log_ = CreateWindowA("edit", nullptr,
                       WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | ES_LEFT | ES_MULTILINE |
                           ES_AUTOVSCROLL | ES_READONLY | WS_TABSTOP,
                       6, 40, width - 20, 354, console_, childId(kLogId), instance_, nullptr);

  // Enter in the input line belongs to the game, not to the edit control.
  SetWindowLongPtrA(input_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  editProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(input_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&inputProc)));
  countedProcs_[log_] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(log_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countedProc)));
  SetWindowLongPtrA(log_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SendMessageA(log_, EM_LIMITTEXT, static_cast<WPARAM>(kLogLimit), 0);
  if (!closedLog_.empty()) {
    SetWindowTextA(log_, closedLog_.c_str());
    closedLog_.clear();
    logChanged();
  }
  ShowWindow(console_, SW_SHOWDEFAULT);
  UpdateWindow(console_);
  SetFocus(input_);
}

void Win32PracticeConsole::closeConsole() {
  closeOnType_ = false;
  if (console_ == nullptr)
    return;
  closedLog_ = windowText(log_);
  DestroyWindow(console_);
  console_ = input_ = log_ = errorBox_ = nullptr;
}

void Win32PracticeConsole::showConsole(bool shown) {
  if (console_ == nullptr)
    return;
  record(shown ? "show" : "hide", "");
  ShowWindow(console_, shown ? SW_SHOWNORMAL : SW_HIDE);
  if (shown)
    SendMessageA(log_, EM_LINESCROLL, 0, 0xffff);
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

void Win32PracticeConsole::appendLog(std::string_view ansiText) {
  const std::string shown = logText(ansiText);
  record("print", shown);
  if (console_ == nullptr) {
    closedLog_ += shown;
    return;
  }
  addedChars_ += shown.size();
  if (addedChars_ > kLogLimit) {
    // The whole text is selected, so the newest print replaces it.
    record("wipe", std::to_string(GetWindowTextLengthA(log_)));
    SendMessageA(log_, EM_SETSEL, 0, -1);
    addedChars_ = shown.size();
  }
  SendMessageA(log_, EM_LINESCROLL, 0, 0xffff);
  SendMessageA(log_, EM_SCROLLCARET, 0, 0);
  SendMessageA(log_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  logChanged();
}

void Win32PracticeConsole::logChanged() {
  // Microsoft's reference of the event constants: EVENT_OBJECT_VALUECHANGE, "An object's Value
  // property has changed. The system sends this event for the user interface elements that
  // include the scroll bar and the following controls: edit, header, hot key, progress bar,
  // slider, and up-down." Wine's edit control sends none of its own; what a process sends itself
  // with NotifyWinEvent Wine delivers to an out-of-context hook for every process.
  if (tellsChanges_ && log_ != nullptr)
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, log_, OBJID_CLIENT, CHILDID_SELF);
}

// --- The game's loop -------------------------------------------------------------------------

int Win32PracticeConsole::run() {
  int exitCode = 0;
  for (;;) {
    const std::int64_t frameStart = nowMs();
    if (renderBound_) {
      // Rendering takes the whole frame: the event loop's pass at the frame's start, the
      // server's frame (nothing for a client of a remote server), the pass before the client's
      // frame.
      if (!eventLoop(exitCode) || !eventLoop(exitCode))
        return exitCode;
    } else {
      // Waiting for its frame rate the game pumps its messages and reads its console input
      // whenever a message comes.
      const std::int64_t frameDue = frameStart + (kFrameMs - kRenderMs);
      for (;;) {
        if (!eventLoop(exitCode))
          return exitCode;
        const std::int64_t left = frameDue - nowMs();
        if (left <= 0 || stallMs_ > 0)
          break;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
      }
    }
    frame(frameStart);
  }
}

bool Win32PracticeConsole::eventLoop(int& exitCode) {
  if (!pump()) {
    exitCode = 0;
    return false;
  }
  if (fatal_) {
    exitCode = waitAfterFatalError();
    return false;
  }
  game_.readInput(nowMs());
  // Once the game quits, the next pump finds the loop's end.
  if (game_.quitAsked()) {
    quit();
    return true;
  }
  game_.serverAnswers(nowMs());
  playerTypesWhenAllowed();
  // A second over: what other programs asked in it is recorded.
  if (!asked_.empty() && nowMs() / 1000 != costSecond_)
    recordCosts();
  return true;
}

void Win32PracticeConsole::playerTypesWhenAllowed() {
  if (playerLines_.empty() || input_ == nullptr || !game_.serverTakes(nowMs()) ||
      GetWindowTextLengthA(input_) != 0)
    return;
  SetWindowTextA(input_, playerLines_.front().c_str());
  playerLines_.pop_front();
  SendMessageA(input_, WM_CHAR, '\r', 1);
}

bool Win32PracticeConsole::pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0)
      return false;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (quitButton_) {
    quitButton_ = false;
    game_.runText("quit", nowMs());
    if (game_.quitAsked())
      quit();
  }
  return true;
}

void Win32PracticeConsole::frame(std::int64_t frameStartMs) {
  if (stallMs_ == 0) {
    const std::int64_t renderMs =
        renderBound_ ? frameStartMs + kRenderBoundFrameMs - nowMs() : std::int64_t{kRenderMs};
    if (renderMs > 0)
      Sleep(static_cast<DWORD>(renderMs));
    return;
  }
  const DWORD ms = stallMs_;
  stallMs_ = 0;
  stall(ms);
}

void Win32PracticeConsole::stall(DWORD ms) {
  record("stall", "begin " + std::to_string(ms));
  const std::int64_t began = nowMs();
  Sleep(ms);
  record("stall", "end " + std::to_string(nowMs() - began));
  // The player's input of the meantime waits in the queue, to be pumped first.
  if (gameWindow_ != nullptr) {
    for (int i = 0; i < kInputDuringStall; ++i)
      PostMessageA(gameWindow_, WM_MOUSEMOVE, 0, MAKELPARAM(10 + i, 10 + i));
  }
}

void Win32PracticeConsole::fatalError(std::string_view ansiText) {
  record("fatal", ansiText);
  appendLog(ansiText);
  appendLog("\n");
  if (console_ == nullptr)
    openConsole();
  if (errorBox_ == nullptr && console_ != nullptr) {
    RECT client{};
    GetClientRect(console_, &client);
    errorBox_ =
        CreateWindowA("static", nullptr, WS_CHILD | WS_VISIBLE | SS_SUNKEN, 6, 5, client.right - 20,
                      30, console_, childId(kErrorBoxId), instance_, nullptr);
    const std::string shown(ansiText.substr(0, std::min(ansiText.size(), kErrorTextMax)));
    SetWindowTextA(errorBox_, shown.c_str());
    DestroyWindow(input_);
    input_ = nullptr;
  }
  quitOnClose_ = true;
  fatal_ = true;
  if (console_ != nullptr) {
    record("show", "");
    ShowWindow(console_, SW_SHOWNORMAL);
  }
}

int Win32PracticeConsole::waitAfterFatalError() {
  // Nothing is read or run any more: the windows answer until the player quits.
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (!quitting_) {
    record("quit", "");
    quit();
  }
  return 1;
}

// --- The console window's own behaviour ------------------------------------------------------

void Win32PracticeConsole::onEnter() {
  char buffer[practice::RetailGame::kInputMax + 1] = {};
  GetWindowTextA(input_, buffer, sizeof buffer);
  const std::string line(buffer);
  SetWindowTextA(input_, "");
  game_.enter(line);
}

void Win32PracticeConsole::onCommand(WPARAM wParam) {
  // The game compares the whole parameter: a button's click, or the same sent by anyone.
  if (wParam == kCopyId) {
    SendMessageA(log_, EM_SETSEL, 0, -1);
    SendMessageA(log_, WM_COPY, 0, 0);
  } else if (wParam == kQuitId) {
    if (quitOnClose_)
      PostQuitMessage(0);
    else
      quitButton_ = true;
  } else if (wParam == kClearId) {
    record("clear-button", std::to_string(GetWindowTextLengthA(log_)));
    SendMessageA(log_, EM_SETSEL, 0, -1);
    SendMessageA(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    UpdateWindow(log_);
    logChanged();
  }
}

bool Win32PracticeConsole::control(std::string_view command) {
  const std::size_t blank = command.find(' ');
  const std::string_view word = command.substr(0, blank);
  const std::string_view rest =
      blank == std::string_view::npos ? std::string_view() : command.substr(blank + 1);
  if (word == "print") {
    appendLog(ansi(rest) + "\n");
  } else if (word == "enter") {
    if (input_ == nullptr)
      return false;
    SetWindowTextA(input_, ansi(rest).c_str());
    SendMessageA(input_, WM_CHAR, '\r', 1);
  } else if (word == "player") {
    if (input_ == nullptr)
      return false;
    playerLines_.push_back(ansi(rest));
  } else if (word == "stall") {
    const long ms = std::strtol(std::string(rest).c_str(), nullptr, 10);
    if (ms <= 0 || fatal_)
      return false;
    stallMs_ = static_cast<DWORD>(ms);
  } else if (word == "fatal") {
    fatalError(ansi(rest));
  } else if (command == "hide-console" || command == "show-console") {
    showConsole(command == "show-console");
    return console_ != nullptr;
  } else if (command == "ping") {
    // Answered once every message that came before it has been handled.
  } else if (word == "mark") {
    record("mark", rest);
  } else if (command == "close-console") {
    closeConsole();
  } else if (command == "close-console-on-type") {
    closeOnType_ = console_ != nullptr;
    return closeOnType_;
  } else if (command == "open-console") {
    openConsole();
    return console_ != nullptr;
  } else if (command == "quit") {
    record("quit", "");
    quit();
  } else {
    return false;
  }
  return true;
}

void Win32PracticeConsole::count(HWND hwnd, UINT msg, LRESULT answer) {
  // Sent by another thread: the game's own thread is the only one, so by another program. What
  // a window sends itself or its parent while it handles such a message (its notifications, the
  // text Wine's edit control gets itself to count an ANSI length) is not counted again.
  if ((InSendMessageEx(nullptr) & ISMEX_SEND) == 0 || handling_ > 1)
    return;
  const std::int64_t second = nowMs() / 1000;
  if (second != costSecond_) {
    recordCosts();
    costSecond_ = second;
  }
  const std::string window = hwnd == log_     ? "log"
                             : hwnd == input_ ? "input"
                             : hwnd == console_
                                 ? "console"
                                 : std::string("button-") + std::to_string(GetDlgCtrlID(hwnd));
  static const std::map<UINT, const char*> kNames = {{WM_GETTEXTLENGTH, "WM_GETTEXTLENGTH"},
                                                     {WM_GETTEXT, "WM_GETTEXT"},
                                                     {WM_SETTEXT, "WM_SETTEXT"},
                                                     {WM_CHAR, "WM_CHAR"},
                                                     {WM_COMMAND, "WM_COMMAND"},
                                                     {EM_GETLINECOUNT, "EM_GETLINECOUNT"},
                                                     {EM_LINEINDEX, "EM_LINEINDEX"},
                                                     {EM_LINELENGTH, "EM_LINELENGTH"},
                                                     {EM_GETLINE, "EM_GETLINE"},
                                                     {EM_LINEFROMCHAR, "EM_LINEFROMCHAR"}};
  const auto name = kNames.find(msg);
  ++asked_[window][name != kNames.end() ? name->second : "other"];
  if ((msg == WM_GETTEXT || msg == EM_GETLINE) && answer > 0)
    copied_[window] += static_cast<long>(answer);
}

void Win32PracticeConsole::recordCosts() {
  for (const auto& [window, messages] : asked_) {
    std::string details = "second=" + std::to_string(costSecond_) + " window=" + window;
    for (const auto& [message, times] : messages)
      details += " " + message + "=" + std::to_string(times);
    details += " copied=" + std::to_string(copied_[window]);
    record("cost", details);
  }
  asked_.clear();
  copied_.clear();
}

LRESULT CALLBACK Win32PracticeConsole::countedProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                   LPARAM lParam) {
  auto* self = reinterpret_cast<Win32PracticeConsole*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  const auto proc = self->countedProcs_.find(hwnd);
  ++self->handling_;
  const LRESULT answer = CallWindowProcA(proc->second, hwnd, msg, wParam, lParam);
  self->count(hwnd, msg, answer);
  --self->handling_;
  return answer;
}

LRESULT Win32PracticeConsole::onInputMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  struct Handling {
    int& depth;
    explicit Handling(int& d) : depth(++d) {}
    ~Handling() { --depth; }
  } handling(handling_);
  if ((InSendMessageEx(nullptr) & ISMEX_SEND) != 0)
    count(hwnd, msg,
          msg == WM_GETTEXT ? CallWindowProcA(editProc_, hwnd, WM_GETTEXTLENGTH, 0, 0) : 0);
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
  if (self != nullptr && hwnd == self->console_) {
    ++self->handling_;
    self->count(hwnd, msg, 0);
    --self->handling_;
  }
  if (self != nullptr) {
    switch (msg) {
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && self->input_ != nullptr)
          SetFocus(self->input_);
        break;
      case WM_COMMAND:
        self->onCommand(wParam);
        break;
      case WM_CLOSE:
        // Closing the console hides it and the game goes on; after a fatal error it ends the
        // game.
        if (self->quitOnClose_)
          PostQuitMessage(0);
        else
          self->showConsole(false);
        return 0;
      case WM_DESTROY:
        if (hwnd == self->console_)
          self->console_ = self->input_ = self->log_ = self->errorBox_ = nullptr;
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
    self->record("quit", "");
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
