#include "core/console/StreamConsole.h"

#include <string>

#include "core/console/ConsoleBridge.h"
#include "core/text/Text.h"

namespace pvx {

StreamConsole::StreamConsole(GameStream& game, DesktopGameWindow* desktop)
    : game_(game),
      desktop_(desktop),
      gameWindowClass_(text::toCp1252(ConsoleBridge::kGameWindowClass)) {
  console_ = ws_.createWindow(ConsoleBridge::kConsoleClass, ConsoleBridge::kConsoleTitle);
  input_ = ws_.createWindow("Edit", "", console_);
  ws_.createWindow("Button", "Copy", console_);
  const Hwnd clear = ws_.createWindow("Button", "Clear", console_);
  const Hwnd quit = ws_.createWindow("Button", "Quit", console_);
  logWindow_ = ws_.createWindow("Edit", "", console_);
  ws_.setCharHandler(input_, [this](unsigned charCode, long) { onInputChar(charCode); });
  // As the retail console's buttons: Clear empties the log, Quit runs "quit".
  ws_.setClickHandler(clear, [this] {
    {
      const std::lock_guard<std::mutex> lock(logMutex_);
      log_.clear();
    }
    takeOutput();
  });
  ws_.setClickHandler(quit, [this] { game_.sendLine("quit"); });
  game_.setSink([this](std::string_view bytes) {
    const std::lock_guard<std::mutex> lock(logMutex_);
    log_.append(bytes);
  });
}

StreamConsole::~StreamConsole() {
  game_.setOnActivity(nullptr);
  game_.setSink(nullptr);
}

bool StreamConsole::tellChanges(const std::function<void()>& onChange) {
  ws_.tellChanges(onChange);
  game_.setOnActivity(onChange);
  return true;
}

void StreamConsole::takeOutput() {
  if (logWindow_ == 0)
    return;
  const std::lock_guard<std::mutex> lock(logMutex_);
  if (log_.version() == shownVersion_)
    return;
  ws_.setTextDirect(logWindow_, log_.text());
  shownVersion_ = log_.version();
}

void StreamConsole::noticeEnd() {
  if (console_ == 0 || !game_.ended())
    return;
  {
    const std::lock_guard<std::mutex> lock(logMutex_);
    log_.finish();
  }
  takeOutput();
  ws_.destroyWindow(console_);
  console_ = input_ = logWindow_ = 0;
  if (gameWindow_ != 0)
    ws_.destroyWindow(gameWindow_);
  gameWindow_ = 0;
}

void StreamConsole::followDesktopWindow() {
  const bool present = console_ != 0 && desktop_ != nullptr && desktop_->present();
  if (present && gameWindow_ == 0) {
    gameWindow_ = ws_.createWindow(gameWindowClass_, "");
  } else if (!present && gameWindow_ != 0) {
    ws_.destroyWindow(gameWindow_);
    gameWindow_ = 0;
  }
}

void StreamConsole::onInputChar(unsigned charCode) {
  // The game's input line runs its line on Enter; other keys only edit it.
  if (charCode != '\r')
    return;
  std::string line = ws_.text(input_);
  ws_.setTextDirect(input_, "");
  // The input line holds one line: a line break in it must not become a second command, nor
  // may the tail of a line longer than the game takes at once.
  for (char& c : line) {
    if (c == '\r' || c == '\n')
      c = ' ';
  }
  if (line.size() > GameStream::kMaxLineBytes)
    line.resize(GameStream::kMaxLineBytes);
  {
    const std::lock_guard<std::mutex> lock(logMutex_);
    log_.enterLine(line);
  }
  game_.sendLine(line);
  takeOutput();
}

Hwnd StreamConsole::findWindow(const char* className, const char* title) {
  noticeEnd();
  takeOutput();
  // Asking the desktop costs a walk of its windows: only a search for the game's own window does.
  if (className != nullptr && gameWindowClass_ == className)
    followDesktopWindow();
  return ws_.findWindow(className, title);
}

Hwnd StreamConsole::getWindow(Hwnd hwnd, unsigned cmd) {
  return ws_.getWindow(hwnd, cmd);
}

long StreamConsole::getTextLength(Hwnd hwnd) {
  return ws_.getTextLength(hwnd);
}

long StreamConsole::getText(Hwnd hwnd, long size, char* buffer) {
  return ws_.getText(hwnd, size, buffer);
}

int StreamConsole::getWindowText(Hwnd hwnd, char* buffer, int size) {
  return ws_.getWindowText(hwnd, buffer, size);
}

void StreamConsole::enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                                     long lParam) {
  ws_.enumChildWindows(parent, visit, lParam);
}

void StreamConsole::setText(Hwnd hwnd, const char* bytes) {
  ws_.setText(hwnd, bytes);
}

int StreamConsole::getClassName(Hwnd hwnd, char* buffer, int size) {
  return ws_.getClassName(hwnd, buffer, size);
}

void StreamConsole::sendChar(Hwnd hwnd, unsigned charCode, long keyData) {
  ws_.sendChar(hwnd, charCode, keyData);
}

void StreamConsole::clickButton(Hwnd button) {
  ws_.clickButton(button);
}

bool StreamConsole::showWindow(Hwnd hwnd, int cmdShow) {
  // The desktop window follows every request, even one that changes nothing here: the player
  // may have restored or minimised it by hand in between.
  if (hwnd != 0 && hwnd == gameWindow_ && desktop_ != nullptr) {
    if (cmdShow == kSwHide)
      desktop_->iconify();
    else
      desktop_->restore();
  }
  return ws_.showWindow(hwnd, cmdShow);
}

bool StreamConsole::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                                 unsigned flags) {
  return ws_.setWindowPos(hwnd, insertAfter, x, y, cx, cy, flags);
}

}  // namespace pvx
