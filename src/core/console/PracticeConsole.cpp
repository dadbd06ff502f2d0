#include "core/console/PracticeConsole.h"

#include <algorithm>

#include "core/console/ConsoleBridge.h"
#include "core/text/Text.h"

namespace pvx {

PracticeConsole::PracticeConsole(SimulatedWindowSystem& ws, PracticeGame& game)
    : ws_(ws), game_(game) {
  game_.onLogChanged = [this] { syncLog(); };
}

PracticeConsole::~PracticeConsole() {
  game_.onLogChanged = nullptr;
  stop();
}

template <class F>
void PracticeConsole::notify(F&& f) {
  // A copy: a listener may come or go while it is told something.
  const std::vector<Listener*> listeners = listeners_;
  for (Listener* l : listeners) {
    if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end())
      f(*l);
  }
}

void PracticeConsole::removeListener(Listener* l) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void PracticeConsole::start() {
  if (running())
    return;
  game_.freshConsole();
  gameWindow_ = ws_.createWindow(text::toCp1252(ConsoleBridge::kGameWindowClass), "");
  ws_.setVisibilityHandler(gameWindow_, [this](bool visible) {
    notify([&](Listener& l) { l.gameWindowVisibilityChanged(visible); });
  });
  console_ = ws_.createWindow(ConsoleBridge::kConsoleClass, ConsoleBridge::kConsoleTitle);
  input_ = ws_.createWindow("Edit", "", console_);
  ws_.createWindow("Button", "Copy", console_);
  const Hwnd clear = ws_.createWindow("Button", "Clear", console_);
  const Hwnd quit = ws_.createWindow("Button", "Quit", console_);
  log_ = ws_.createWindow("Edit", game_.log(), console_);
  ws_.setCharHandler(input_, [this](unsigned charCode, long) { onInputChar(charCode); });
  ws_.setClickHandler(clear, [this] { onClear(); });
  ws_.setClickHandler(quit, [this] { stop(); });
  notify([&](Listener& l) { l.runningChanged(true); });
}

void PracticeConsole::stop() {
  if (!running())
    return;
  ws_.destroyWindow(console_);
  ws_.destroyWindow(gameWindow_);
  console_ = input_ = log_ = gameWindow_ = 0;
  notify([&](Listener& l) { l.runningChanged(false); });
}

void PracticeConsole::failWithError(std::string_view utf8Text) {
  if (!running() || input_ == 0)
    return;
  ws_.createWindow("Static", text::toCp1252(utf8Text), console_);
  ws_.destroyWindow(input_);
  input_ = 0;
  ws_.showWindow(console_, WindowSystem::kSwShow);
}

void PracticeConsole::onClear() {
  game_.clearLog();
  notify([&](Listener& l) { l.clearPressed(); });
}

bool PracticeConsole::gameWindowVisible() const {
  return ws_.isVisible(gameWindow_);
}

void PracticeConsole::onInputChar(unsigned charCode) {
  if (charCode != '\r')
    return;
  const std::string line = ws_.text(input_);
  ws_.setTextDirect(input_, "");
  const std::string utf8 = text::fromCp1252(line);
  notify([&](Listener& l) { l.lineEntered(utf8); });
  game_.enterLine(line);
}

void PracticeConsole::syncLog() {
  if (log_ != 0)
    ws_.setTextDirect(log_, game_.log());
  notify([&](Listener& l) { l.logChanged(); });
}

}  // namespace pvx
