#include "core/console/WindowSystem.h"

#include <algorithm>
#include <utility>

namespace pvx {

WindowAnswer WindowSystem::answerNow(const WindowQuestion& q) {
  WindowAnswer a;
  switch (q.kind) {
    case WindowQuestion::Kind::TextLength:
      a.value = getTextLength(q.hwnd);
      break;
    case WindowQuestion::Kind::Text:
      a.text.assign(static_cast<std::size_t>(std::max(q.size, 1L)), '\0');
      a.value = getText(q.hwnd, q.size, a.text.data());
      a.text.resize(static_cast<std::size_t>(std::clamp(a.value, 0L, std::max(q.size - 1, 0L))));
      break;
    case WindowQuestion::Kind::LineCount:
      a.value = getLineCount(q.hwnd);
      break;
    case WindowQuestion::Kind::LineIndex:
      a.value = getLineIndex(q.hwnd, q.arg);
      break;
    case WindowQuestion::Kind::LineLength:
      a.value = getLineLength(q.hwnd, q.arg);
      break;
    case WindowQuestion::Kind::LineFromChar:
      a.value = getLineFromChar(q.hwnd, q.arg);
      break;
    case WindowQuestion::Kind::Line:
      a.text.assign(static_cast<std::size_t>(std::max(q.size, 0L)), '\0');
      a.value = getLine(q.hwnd, q.arg, a.text.data(), q.size);
      a.text.resize(static_cast<std::size_t>(std::clamp(a.value, 0L, std::max(q.size, 0L))));
      break;
  }
  return a;
}

void WindowSystem::askInTurn(const Questions& questions, const std::function<void()>& answered) {
  questions([this](const WindowQuestion& q) { return answerNow(q); });
  answered();
}

}  // namespace pvx
