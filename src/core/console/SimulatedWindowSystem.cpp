#include "core/console/SimulatedWindowSystem.h"

#include <algorithm>
#include <cstring>

namespace pvx {

SimulatedWindowSystem::Window* SimulatedWindowSystem::find(Hwnd hwnd) {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

const SimulatedWindowSystem::Window* SimulatedWindowSystem::find(Hwnd hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

SimulatedWindowSystem::Window* SimulatedWindowSystem::reachable(Hwnd hwnd) {
  Window* w = find(hwnd);
  return w == nullptr || runsElevatedAboveUs(hwnd) ? nullptr : w;
}

const SimulatedWindowSystem::Window* SimulatedWindowSystem::topLevelOf(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  while (w != nullptr && w->parent != 0)
    w = find(w->parent);
  return w;
}

bool SimulatedWindowSystem::runsElevatedAboveUs(Hwnd hwnd) {
  const Window* w = topLevelOf(hwnd);
  return w != nullptr && w->elevated;
}

bool SimulatedWindowSystem::answers(Hwnd hwnd) const {
  const Window* w = topLevelOf(hwnd);
  return w == nullptr || w->answering;
}

void SimulatedWindowSystem::setAnswering(Hwnd topLevel, bool answering) {
  if (Window* w = find(topLevel); w != nullptr && w->parent == 0)
    w->answering = answering;
}

void SimulatedWindowSystem::askInTurn(const Questions& questions,
                                      const std::function<void()>& answered) {
  if (!later_) {
    WindowSystem::askInTurn(questions, answered);
    return;
  }
  later_([this, questions, answered] { WindowSystem::askInTurn(questions, answered); });
}

void SimulatedWindowSystem::setElevatedAboveUs(Hwnd topLevel, bool elevated) {
  if (Window* w = find(topLevel); w != nullptr && w->parent == 0) {
    w->elevated = elevated;
    changed();
  }
}

bool SimulatedWindowSystem::tellChanges(const std::function<void()>& onChange) {
  onChange_ = onChange;
  return true;
}

void SimulatedWindowSystem::changed() const {
  if (onChange_)
    onChange_();
}

Hwnd SimulatedWindowSystem::createWindow(std::string_view className, std::string_view text,
                                         Hwnd parent, bool visible) {
  if (parent != 0 && find(parent) == nullptr)
    return 0;
  const Hwnd h = nextHandle_;
  nextHandle_ += 4;
  Window w;
  w.className = std::string(className);
  w.text = std::string(text);
  w.linesKnown = false;
  w.parent = parent;
  w.visible = visible;
  windows_.emplace(h, std::move(w));
  if (parent == 0) {
    topLevel_.insert(topLevel_.begin(), h);
  } else {
    find(parent)->children.push_back(h);
  }
  changed();
  return h;
}

void SimulatedWindowSystem::destroyWindow(Hwnd hwnd) {
  Window* w = find(hwnd);
  if (w == nullptr)
    return;
  const std::vector<Hwnd> children = w->children;
  for (Hwnd child : children)
    destroyWindow(child);
  w = find(hwnd);
  if (w->parent == 0) {
    topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), hwnd), topLevel_.end());
  } else if (Window* p = find(w->parent)) {
    p->children.erase(std::remove(p->children.begin(), p->children.end(), hwnd), p->children.end());
  }
  windows_.erase(hwnd);
  changed();
}

bool SimulatedWindowSystem::isVisible(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w != nullptr && w->visible;
}

std::string SimulatedWindowSystem::text(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w == nullptr ? std::string() : w->text;
}

void SimulatedWindowSystem::setTextDirect(Hwnd hwnd, std::string_view bytes) {
  if (Window* w = find(hwnd)) {
    w->text.assign(bytes);
    w->linesKnown = false;
    changed();
  }
}

SimulatedWindowSystem::Placement SimulatedWindowSystem::placement(Hwnd hwnd) const {
  const Window* w = find(hwnd);
  return w == nullptr ? Placement{} : w->placement;
}

void SimulatedWindowSystem::setCharHandler(Hwnd hwnd, std::function<void(unsigned, long)> handler) {
  if (Window* w = find(hwnd))
    w->onChar = std::move(handler);
}

void SimulatedWindowSystem::setClickHandler(Hwnd button, std::function<void()> handler) {
  if (Window* w = find(button))
    w->onClick = std::move(handler);
}

void SimulatedWindowSystem::setVisibilityHandler(Hwnd hwnd, std::function<void(bool)> handler) {
  if (Window* w = find(hwnd))
    w->onVisibility = std::move(handler);
}

Hwnd SimulatedWindowSystem::findWindow(const char* className, const char* title) {
  for (Hwnd h : topLevel_) {
    const Window& w = windows_.at(h);
    if (className != nullptr && w.className != className)
      continue;
    if (title != nullptr && w.text != title)
      continue;
    return h;
  }
  return 0;
}

Hwnd SimulatedWindowSystem::getWindow(Hwnd hwnd, unsigned cmd) {
  const Window* w = find(hwnd);
  if (w == nullptr)
    return 0;
  if (cmd == kGwChild)
    return w->children.empty() ? 0 : w->children.front();
  if (cmd != kGwHwndNext)
    return 0;
  const std::vector<Hwnd>& siblings = w->parent == 0 ? topLevel_ : find(w->parent)->children;
  auto it = std::find(siblings.begin(), siblings.end(), hwnd);
  if (it == siblings.end() || ++it == siblings.end())
    return 0;
  return *it;
}

long SimulatedWindowSystem::getTextLength(Hwnd hwnd) {
  ++cost_.questions;
  const Window* w = reachable(hwnd);
  if (w != nullptr && !answers(hwnd))
    return kNoAnswer;
  return w == nullptr ? 0 : static_cast<long>(w->text.size());
}

long SimulatedWindowSystem::copyText(Hwnd hwnd, long size, char* buffer) const {
  const Window* w = find(hwnd);
  if (w == nullptr || size <= 0 || buffer == nullptr)
    return 0;
  const long n = std::min<long>(static_cast<long>(w->text.size()), size - 1);
  std::memcpy(buffer, w->text.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

long SimulatedWindowSystem::getText(Hwnd hwnd, long size, char* buffer) {
  ++cost_.questions;
  if (reachable(hwnd) == nullptr)
    return 0;
  if (!answers(hwnd)) {
    if (buffer != nullptr && size > 0)
      buffer[0] = '\0';
    return kNoAnswer;
  }
  const long copied = copyText(hwnd, size, buffer);
  cost_.copied += copied;
  return copied;
}

void SimulatedWindowSystem::setWrapWidth(Hwnd hwnd, std::size_t characters) {
  if (Window* w = find(hwnd)) {
    w->wrap = characters;
    w->linesKnown = false;
  }
}

const std::vector<SimulatedWindowSystem::Line>& SimulatedWindowSystem::linesOf(const Window& w) {
  if (w.linesKnown)
    return w.lines;
  // A line break ends a line; a line longer than the window is wide goes on on the next line
  // without one. After the last line break comes one more, empty line.
  std::vector<Line>& lines = w.lines;
  lines.clear();
  w.linesKnown = true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = w.text.find("\r\n", start);
    const std::size_t stop = end == std::string::npos ? w.text.size() : end;
    std::size_t at = start;
    do {
      const std::size_t length = w.wrap > 0 ? std::min(w.wrap, stop - at) : stop - at;
      lines.push_back({at, length});
      at += length;
    } while (at < stop);
    if (end == std::string::npos)
      return lines;
    start = end + 2;
  }
}

const SimulatedWindowSystem::Window* SimulatedWindowSystem::lineWindow(Hwnd hwnd, long& answer) {
  ++cost_.questions;
  const Window* w = reachable(hwnd);
  answer = w == nullptr ? 0 : kNoAnswer;
  return w != nullptr && answers(hwnd) ? w : nullptr;
}

long SimulatedWindowSystem::getLineCount(Hwnd hwnd) {
  long answer = 0;
  const Window* w = lineWindow(hwnd, answer);
  return w == nullptr ? answer : static_cast<long>(linesOf(*w).size());
}

long SimulatedWindowSystem::getLineIndex(Hwnd hwnd, long line) {
  long answer = 0;
  const Window* w = lineWindow(hwnd, answer);
  if (w == nullptr)
    return answer;
  const std::vector<Line>& lines = linesOf(*w);
  if (line < 0 || static_cast<std::size_t>(line) >= lines.size())
    return -1;
  return static_cast<long>(lines[static_cast<std::size_t>(line)].start);
}

long SimulatedWindowSystem::getLineFromChar(Hwnd hwnd, long charIndex) {
  long answer = 0;
  const Window* w = lineWindow(hwnd, answer);
  return w == nullptr ? answer : static_cast<long>(lineHolding(*w, charIndex));
}

std::size_t SimulatedWindowSystem::lineHolding(const Window& w, long charIndex) {
  // The last line that begins at or before the character.
  const std::vector<Line>& lines = linesOf(w);
  const std::size_t at = charIndex < 0 ? 0 : static_cast<std::size_t>(charIndex);
  const auto after = std::upper_bound(lines.begin(), lines.end(), at,
                                      [](std::size_t c, const Line& l) { return c < l.start; });
  return after == lines.begin() ? 0 : static_cast<std::size_t>(after - lines.begin()) - 1;
}

long SimulatedWindowSystem::getLineLength(Hwnd hwnd, long charIndex) {
  long answer = 0;
  const Window* w = lineWindow(hwnd, answer);
  if (w == nullptr)
    return answer;
  return static_cast<long>(linesOf(*w)[lineHolding(*w, charIndex)].length);
}

long SimulatedWindowSystem::getLine(Hwnd hwnd, long line, char* buffer, long size) {
  long answer = 0;
  const Window* w = lineWindow(hwnd, answer);
  if (w == nullptr || buffer == nullptr || size <= 0)
    return w == nullptr ? answer : 0;
  const std::vector<Line>& lines = linesOf(*w);
  if (line < 0 || static_cast<std::size_t>(line) >= lines.size())
    return 0;
  const Line& l = lines[static_cast<std::size_t>(line)];
  const long n = std::min(static_cast<long>(l.length), size);
  std::memcpy(buffer, w->text.data() + l.start, static_cast<std::size_t>(n));
  cost_.copied += n;
  return n;
}

int SimulatedWindowSystem::getClassName(Hwnd hwnd, char* buffer, int size) {
  if (buffer == nullptr || size <= 0)
    return 0;
  const Window* w = find(hwnd);
  const std::string name = w == nullptr ? std::string() : w->className;
  const int n = std::min(static_cast<int>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

int SimulatedWindowSystem::getWindowText(Hwnd hwnd, char* buffer, int size) {
  if (buffer != nullptr && size > 0)
    buffer[0] = '\0';
  return reachable(hwnd) == nullptr ? 0 : static_cast<int>(copyText(hwnd, size, buffer));
}

bool SimulatedWindowSystem::walk(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                                 long lParam) {
  const Window* p = find(parent);
  if (p == nullptr)
    return true;
  // A copy: the visited window may change the tree (the game may close its window).
  const std::vector<Hwnd> children = p->children;
  for (Hwnd child : children) {
    if (find(child) == nullptr)
      continue;
    if (visit(child, lParam) == 0)
      return false;
    if (!walk(child, visit, lParam))
      return false;
  }
  return true;
}

void SimulatedWindowSystem::enumChildWindows(Hwnd parent,
                                             const std::function<long(Hwnd, long)>& visit,
                                             long lParam) {
  walk(parent, visit, lParam);
}

void SimulatedWindowSystem::setText(Hwnd hwnd, const char* bytes) {
  Window* w = reachable(hwnd);
  if (w == nullptr)
    return;
  const std::string value = bytes == nullptr ? std::string() : std::string(bytes);
  if (recording_)
    messages_.push_back("settext " + std::to_string(hwnd) + " " + value);
  w->text = value;
  w->linesKnown = false;
  changed();
}

void SimulatedWindowSystem::sendChar(Hwnd hwnd, unsigned charCode, long keyData) {
  Window* w = reachable(hwnd);
  if (w == nullptr)
    return;
  if (recording_) {
    messages_.push_back("char " + std::to_string(hwnd) + " " + std::to_string(charCode) + " " +
                        std::to_string(keyData));
  }
  if (w->onChar) {
    auto handler = w->onChar;  // the handler may destroy the window
    handler(charCode, keyData);
  }
}

void SimulatedWindowSystem::clickButton(Hwnd button) {
  Window* w = reachable(button);
  if (w == nullptr)
    return;
  if (recording_)
    messages_.push_back("click " + std::to_string(button));
  if (w->onClick) {
    auto handler = w->onClick;  // the handler may destroy the window
    handler();
  }
}

void SimulatedWindowSystem::setVisible(Hwnd, Window& w, bool visible) {
  if (w.visible == visible)
    return;
  w.visible = visible;
  if (w.onVisibility) {
    auto handler = w.onVisibility;
    handler(visible);
  }
}

bool SimulatedWindowSystem::showWindow(Hwnd hwnd, int cmdShow) {
  Window* w = find(hwnd);
  if (w == nullptr)
    return false;
  const bool wasVisible = w->visible;
  setVisible(hwnd, *w, cmdShow != kSwHide);
  return wasVisible;
}

bool SimulatedWindowSystem::setWindowPos(Hwnd hwnd, Hwnd, int x, int y, int cx, int cy,
                                         unsigned flags) {
  Window* w = find(hwnd);
  if (w == nullptr)
    return false;
  if ((flags & SWP_NOMOVE) == 0) {
    w->placement.x = x;
    w->placement.y = y;
  }
  if ((flags & SWP_NOSIZE) == 0) {
    w->placement.cx = cx;
    w->placement.cy = cy;
  }
  if ((flags & SWP_HIDEWINDOW) != 0) {
    setVisible(hwnd, *w, false);
  } else if ((flags & SWP_SHOWWINDOW) != 0) {
    setVisible(hwnd, *w, true);
  }
  return true;
}

}  // namespace pvx
