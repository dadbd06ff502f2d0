#include "core/console/ConsoleBridge.h"

#include <array>
#include <cmath>

#include "core/text/Text.h"

namespace pvx {

namespace {
constexpr unsigned kCarriageReturn = 13;
constexpr long kKeyData = 1;
constexpr int kWindowTextBuffer = 260;
}  // namespace

Hwnd ConsoleBridge::findConsoleWindow() {
  const std::string title = text::toCp1252(kConsoleTitle);
  return ws_.findWindow(nullptr, title.c_str());
}

Hwnd ConsoleBridge::findWindowByTitle(std::string_view classFilter, std::string_view title) {
  const std::string cls = text::toCp1252(classFilter);
  const std::string ttl = text::toCp1252(title);
  return ws_.findWindow(cls.empty() ? nullptr : cls.c_str(), ttl.c_str());
}

Hwnd ConsoleBridge::nthChildWindow(Hwnd parent, int n) {
  if (n < 1)
    return 0;
  Hwnd h = ws_.getWindow(parent, WindowSystem::kGwChild);
  for (int i = 1; i < n && h != 0; ++i)
    h = ws_.getWindow(h, WindowSystem::kGwHwndNext);
  return h;
}

void ConsoleBridge::sendConsoleCommand(std::string_view command) {
  const Hwnd console = findConsoleWindow();
  if (console == 0)
    return;
  pendingCommand_.assign(command);
  if (command.substr(0, 4) == "say " && command.size() > 4) {
    said_.emplace_back(command.substr(4));
    if (said_.size() > kSaidKept)
      said_.pop_front();
  }
  ws_.enumChildWindows(
      console, [this](Hwnd child, long lParam) { return typeIntoEmptyChild(child, lParam); }, 0);
}

long ConsoleBridge::typeIntoEmptyChild(Hwnd child, long) {
  std::array<char, kWindowTextBuffer> buffer{};
  const int copied = ws_.getWindowText(child, buffer.data(), kWindowTextBuffer);
  const std::string childText =
      cutAtNul(std::string_view(buffer.data(), static_cast<std::size_t>(copied < 0 ? 0 : copied)));
  if (!childText.empty())
    return 0;
  const std::vector<char> bytes = toAnsiBytes(pendingCommand_);
  ws_.setText(child, bytes.data());
  ws_.sendChar(child, kCarriageReturn, kKeyData);
  pendingCommand_.clear();
  return 1;
}

std::string ConsoleBridge::cutAtNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return std::string(nul == std::string_view::npos ? text : text.substr(0, nul));
}

std::vector<char> ConsoleBridge::toAnsiBytes(std::string_view text) {
  const std::string ansi = text::toCp1252(text);
  std::vector<char> bytes(ansi.begin(), ansi.end());
  bytes.push_back('\0');
  return bytes;
}

long ConsoleBridge::windowTextLength(Hwnd hwnd) {
  return hwnd == 0 ? 0 : ws_.getTextLength(hwnd);
}

std::string ConsoleBridge::readWindowBytes(Hwnd hwnd) {
  const long n = ws_.getTextLength(hwnd);
  if (n <= 0)
    return kNoText;
  std::string buffer(static_cast<std::size_t>(n) + 1, '\0');
  long copied = ws_.getText(hwnd, n + 1, buffer.data());
  if (copied < 0)
    copied = 0;
  if (copied > n)
    copied = n;
  buffer.resize(static_cast<std::size_t>(copied));
  return buffer;
}

std::string ConsoleBridge::readWindowText(Hwnd hwnd) {
  return text::fromCp1252(readWindowBytes(hwnd));
}

long long ConsoleBridge::waitMilliseconds(float seconds) {
  const double ms = std::floor(static_cast<double>(seconds) * 1000.0);
  return ms > 0 ? static_cast<long long>(ms) : 0;
}

void ConsoleBridge::waitSeconds(float seconds) {
  clock_.sleepMs(waitMilliseconds(seconds));
}

}  // namespace pvx
