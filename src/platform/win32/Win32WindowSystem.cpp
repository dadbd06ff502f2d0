#include "platform/win32/Win32WindowSystem.h"

#include "core/console/ConsoleBridge.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace pvx {
namespace {

// User handles carry only 32 significant bits, also in a 64-bit process: a handle narrows by
// truncation and widens by sign extension, so that the pseudo-handles HWND_TOPMOST (-1) and
// HWND_NOTOPMOST (-2) survive the round trip through the seam.
Hwnd fromHwnd(HWND hwnd) {
  return static_cast<Hwnd>(reinterpret_cast<std::uintptr_t>(hwnd));
}

HWND toHwnd(Hwnd hwnd) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(hwnd)));
}

// Whether the handle can name one window. Handle 0 makes GetWindow and EnumChildWindows act on
// the desktop's top-level windows, and HWND_BROADCAST makes SendMessage deliver to every
// top-level window of the session; neither may ever receive the game's command text.
bool namesOneWindow(Hwnd hwnd) {
  return hwnd != 0 && toHwnd(hwnd) != HWND_BROADCAST;
}

// The other side of every message is the game's window procedure, whose answer is taken on
// trust by the platform; a count beyond the buffer must not send the caller past its end.
template <typename Count>
Count clampToBuffer(LRESULT copied, Count size) {
  if (copied <= 0) {
    return 0;
  }
  if (copied >= static_cast<LRESULT>(size)) {
    return size - 1;
  }
  return static_cast<Count>(copied);
}

// What EnumChildWindows carries through its LPARAM to the trampoline.
struct ChildWalk {
  const std::function<long(Hwnd, long)>* visit;
  long lParam;
  std::exception_ptr failure;
};

BOOL CALLBACK visitChild(HWND child, LPARAM param) {
  auto* walk = reinterpret_cast<ChildWalk*>(param);
  // An exception must not unwind through user32's frames: end the walk and let the caller
  // rethrow it once EnumChildWindows has returned.
  try {
    return (*walk->visit)(fromHwnd(child), walk->lParam) != 0 ? TRUE : FALSE;
  } catch (...) {
    walk->failure = std::current_exception();
    return FALSE;
  }
}

// The mandatory integrity level of a token (SECURITY_MANDATORY_MEDIUM_RID for a program started
// normally, SECURITY_MANDATORY_HIGH_RID for one started as administrator); none when it cannot be
// read.
std::optional<DWORD> integrityLevel(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) {
    return std::nullopt;
  }
  std::vector<unsigned char> buffer(size);
  auto* label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data());
  if (!GetTokenInformation(token, TokenIntegrityLevel, label, size, &size) ||
      !IsValidSid(label->Label.Sid)) {
    return std::nullopt;
  }
  const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
  if (count == 0) {
    return std::nullopt;
  }
  return *GetSidSubAuthority(label->Label.Sid, count - 1);
}

std::optional<DWORD> ownIntegrityLevel() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return std::nullopt;
  }
  const std::optional<DWORD> level = integrityLevel(token);
  CloseHandle(token);
  return level;
}

// Whether the process runs at a higher integrity level than this one. A process whose token this
// program may not even read, while it runs below the administrator's level itself, is taken to
// be elevated: that is what keeps it closed to a program started normally by the same user.
bool processRunsAbove(DWORD processId) {
  static const std::optional<DWORD> own = ownIntegrityLevel();
  if (!own) {
    return false;
  }
  const bool ownIsLimited = *own < SECURITY_MANDATORY_HIGH_RID;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) {
    return ownIsLimited && GetLastError() == ERROR_ACCESS_DENIED;
  }
  HANDLE token = nullptr;
  bool above = false;
  if (OpenProcessToken(process, TOKEN_QUERY, &token)) {
    const std::optional<DWORD> theirs = integrityLevel(token);
    above = theirs && *theirs > *own;
    CloseHandle(token);
  } else {
    above = ownIsLimited && GetLastError() == ERROR_ACCESS_DENIED;
  }
  CloseHandle(process);
  return above;
}

}  // namespace

Hwnd Win32WindowSystem::findWindow(const char* className, const char* title) {
  return fromHwnd(FindWindowA(className, title));
}

Hwnd Win32WindowSystem::getWindow(Hwnd hwnd, unsigned cmd) {
  if (!namesOneWindow(hwnd)) {
    return 0;
  }
  return fromHwnd(GetWindow(toHwnd(hwnd), static_cast<UINT>(cmd)));
}

namespace {

// Wine's ntdll exports wine_get_version; Windows' does not.
bool underWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A game that has answered nothing for this long is taken to have given up answering.
constexpr UINT kGiveUpMs = 60000;

}  // namespace

// The thread that asks the game's windows the questions of the thread that made the window
// system, one call's after the other, each answered through the window system's direct calls; the
// end of each call goes back through post. Shared with the thread: it may go on waiting for the
// game after the window system is gone, and then posts nothing.
// Between the calls it watches the line count of a log (watchLines), probing it at the pace
// asked for and telling through tell when the count changed.
struct Win32WindowSystem::Asker {
  using Answered = std::function<void()>;
  using Moment = std::chrono::steady_clock::time_point;

  explicit Asker(Post p) : post(std::move(p)) {}

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<Questions, Answered>> questions;
  Post post;  // emptied when the window system goes
  Win32WindowSystem direct;
  // The watch: the log (0: none), the count it is known to show, the pace, the next probe, and
  // a count of the watches asked for, so that a probe of an earlier one tells nothing.
  Hwnd watched = 0;
  long watchedLines = 0;
  std::chrono::milliseconds every{1};
  Moment nextProbe;
  std::uint64_t watches = 0;
  std::function<void()> tell;  // the onChange of tellChanges

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    // Woken by a question, a watch asked for, the end, or the watch's next probe falling due.
    while (post) {
      if (!questions.empty()) {
        auto [asked, answered] = std::move(questions.front());
        questions.pop_front();
        lock.unlock();
        // However long the game takes: the thread that asked is not waiting for it.
        asked([this](const WindowQuestion& q) { return direct.answerNow(q); });
        lock.lock();
        if (post)
          post(std::move(answered));
      } else if (watched == 0) {
        changed.wait(lock);
      } else if (std::chrono::steady_clock::now() < nextProbe) {
        changed.wait_until(lock, nextProbe);
      } else {
        probe(lock);
      }
    }
  }

  void probe(std::unique_lock<std::mutex>& lock) {
    const Hwnd log = watched;
    const std::uint64_t watch = watches;
    lock.unlock();
    const long lines = direct.getLineCount(log);
    lock.lock();
    if (watch != watches)
      return;  // watched anew meanwhile
    nextProbe = std::chrono::steady_clock::now() + every;
    // A game that gave up answering has not changed for it.
    if (lines == kNoAnswer || lines == watchedLines || !tell)
      return;
    watchedLines = lines;
    // Told under the lock: once tellChanges() has replaced it, it is no longer called.
    tell();
  }
};

Win32WindowSystem::Win32WindowSystem(Post post) : copiesLines_(!underWine()) {
  if (post) {
    asker_ = std::make_shared<Asker>(std::move(post));
    std::thread([asker = asker_] { asker->run(); }).detach();
  }
}

// What the hooks of tellChanges hear, on the thread that hooked, from its message loop.
struct WinEventHooks {
  static inline Win32WindowSystem* owner = nullptr;

  static void CALLBACK heard(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG, DWORD,
                             DWORD) {
    Win32WindowSystem* ws = owner;
    if (ws == nullptr || hwnd == nullptr || !ws->onChange_)
      return;
    if (event == EVENT_OBJECT_DESTROY) {
      // Gone, it has no parent to tell whose it was: only the console window itself counts.
      if (idObject == OBJID_WINDOW && fromHwnd(hwnd) == ws->console_) {
        ws->console_ = 0;
        ws->onChange_();
      }
      return;
    }
    // A window made, shown or hidden (not the caret or the cursor), or a value changed.
    if (event != EVENT_OBJECT_VALUECHANGE && idObject != OBJID_WINDOW)
      return;
    const HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root == nullptr)
      return;
    // A top-level window of another process gives its caption without being asked.
    std::array<char, 64> title{};
    GetWindowTextA(root, title.data(), static_cast<int>(title.size()));
    if (std::strcmp(title.data(), ConsoleBridge::kConsoleTitle) != 0)
      return;
    ws->console_ = fromHwnd(root);
    // The log (the console's multi-line edit control) told of a change of its own text.
    if (event == EVENT_OBJECT_VALUECHANGE && root != hwnd &&
        (GetWindowLongA(hwnd, GWL_STYLE) & ES_MULTILINE) != 0)
      ws->told_ = true;
    ws->onChange_();
  }
};

bool Win32WindowSystem::tellChanges(const std::function<void()>& onChange) {
  onChange_ = onChange;
  if (asker_) {
    const std::lock_guard<std::mutex> lock(asker_->mutex);
    asker_->tell = onChange;
    if (!onChange)
      asker_->watched = 0;
  }
  if (!onChange_) {
    if (windowsHook_ != nullptr)
      UnhookWinEvent(static_cast<HWINEVENTHOOK>(windowsHook_));
    if (valueHook_ != nullptr)
      UnhookWinEvent(static_cast<HWINEVENTHOOK>(valueHook_));
    windowsHook_ = valueHook_ = nullptr;
    if (WinEventHooks::owner == this)
      WinEventHooks::owner = nullptr;
    return false;
  }
  WinEventHooks::owner = this;
  // For every process: a hook filtered by the game's process hears nothing under Wine. Two
  // hooks, so that the flood of other events in between (locations, focus) is never heard.
  constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  if (windowsHook_ == nullptr)
    windowsHook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE, nullptr,
                                   &WinEventHooks::heard, 0, 0, kFlags);
  if (valueHook_ == nullptr)
    valueHook_ = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr,
                                 &WinEventHooks::heard, 0, 0, kFlags);
  return false;
}

Win32WindowSystem::~Win32WindowSystem() {
  tellChanges({});
  if (asker_) {
    const std::lock_guard<std::mutex> lock(asker_->mutex);
    asker_->post = nullptr;
    asker_->questions.clear();
    asker_->changed.notify_all();
  }
}

void Win32WindowSystem::askInTurn(const Questions& questions,
                                  const std::function<void()>& answered) {
  if (!asker_) {
    WindowSystem::askInTurn(questions, answered);
    return;
  }
  const std::lock_guard<std::mutex> lock(asker_->mutex);
  asker_->questions.emplace_back(questions, answered);
  asker_->changed.notify_all();
}

bool Win32WindowSystem::watchLines(Hwnd log, long knownLines, std::int64_t everyMs) {
  if (!asker_)
    return false;
  const std::lock_guard<std::mutex> lock(asker_->mutex);
  const bool watching = asker_->tell && namesOneWindow(log);
  asker_->watched = watching ? log : 0;
  asker_->watchedLines = knownLines;
  asker_->every = std::chrono::milliseconds(std::max<std::int64_t>(everyMs, 1));
  asker_->nextProbe = std::chrono::steady_clock::now() + asker_->every;
  ++asker_->watches;
  asker_->changed.notify_all();
  return watching;
}

long Win32WindowSystem::linesWatched() {
  if (!asker_)
    return -1;
  const std::lock_guard<std::mutex> lock(asker_->mutex);
  return asker_->watched != 0 ? asker_->watchedLines : -1;
}

std::intptr_t Win32WindowSystem::send(Hwnd hwnd, unsigned msg, std::uintptr_t wParam, char* text,
                                      std::size_t size, bool sizeInBuffer) {
  // EM_GETLINE's buffer holds its size in its first word. It is given room for twice the
  // characters asked for: Wine copies an EM_GETLINE to another process's window back by as many
  // bytes as the word says, so a line of n characters needs a word of 2n; with a word of n the
  // answer says n, but only the first half of the line is the line's (the rest is whatever its
  // buffer held). The game's control copies no more than the line holds, so the room costs it
  // nothing on Windows.
  const std::size_t room = sizeInBuffer ? 2 * size + sizeof(WORD) : size;
  std::vector<char> buffer(text == nullptr ? 0 : room);
  if (sizeInBuffer) {
    const auto words = static_cast<WORD>(std::min<std::size_t>(room, 0xFFFF));
    std::memcpy(buffer.data(), &words, sizeof words);
  }
  DWORD_PTR result = 0;
  const LPARAM to = buffer.empty() ? 0 : reinterpret_cast<LPARAM>(buffer.data());
  if (SendMessageTimeoutA(toHwnd(hwnd), msg, static_cast<WPARAM>(wParam), to, SMTO_NORMAL,
                          kGiveUpMs, &result) == 0)
    return IsWindow(toHwnd(hwnd)) ? kNoAnswer : 0;
  const auto answer = static_cast<LRESULT>(result);
  if (text != nullptr && answer > 0)
    std::memcpy(
        text, buffer.data(),
        std::min<std::size_t>(static_cast<std::size_t>(answer), sizeInBuffer ? size : size - 1));
  return answer;
}

long Win32WindowSystem::getLineCount(Hwnd hwnd) {
  if (!namesOneWindow(hwnd))
    return 0;
  return static_cast<long>(send(hwnd, EM_GETLINECOUNT, 0, nullptr, 0, false));
}

long Win32WindowSystem::getLineIndex(Hwnd hwnd, long line) {
  if (!namesOneWindow(hwnd))
    return -1;
  return static_cast<long>(
      send(hwnd, EM_LINEINDEX, static_cast<std::uintptr_t>(line), nullptr, 0, false));
}

long Win32WindowSystem::getLineLength(Hwnd hwnd, long charIndex) {
  if (!namesOneWindow(hwnd))
    return 0;
  return static_cast<long>(
      send(hwnd, EM_LINELENGTH, static_cast<std::uintptr_t>(charIndex), nullptr, 0, false));
}

long Win32WindowSystem::getLineFromChar(Hwnd hwnd, long charIndex) {
  if (!copiesLines_)
    return kNoLines;  // (asked only to copy lines out)
  if (!namesOneWindow(hwnd))
    return -1;
  return static_cast<long>(
      send(hwnd, EM_LINEFROMCHAR, static_cast<std::uintptr_t>(charIndex), nullptr, 0, false));
}

// Wine (8.0) copies a line of another process's edit control unsoundly: with a word of n for a
// line of n characters the answer says n but only the first half is the line's; with more room a
// line is cut at 52 to 56 characters, differently from one question to the next; and while the
// game printed, the program once ended in Wine's own error ("partial write"). Under Wine the log
// is therefore read whole when it grew, and only measured line by line.
long Win32WindowSystem::getLine(Hwnd hwnd, long line, char* buffer, long size) {
  if (!copiesLines_)
    return kNoLines;
  if (!namesOneWindow(hwnd) || buffer == nullptr || size <= 0)
    return 0;
  const LRESULT copied = send(hwnd, EM_GETLINE, static_cast<std::uintptr_t>(line), buffer,
                              static_cast<std::size_t>(size), true);
  if (copied == kNoAnswer)
    return kNoAnswer;
  return static_cast<long>(std::clamp<LRESULT>(copied, 0, size));
}

long Win32WindowSystem::getTextLength(Hwnd hwnd) {
  if (!namesOneWindow(hwnd)) {
    return 0;
  }
  const LRESULT length = send(hwnd, WM_GETTEXTLENGTH, 0, nullptr, 0, false);
  if (length == kNoAnswer) {
    return kNoAnswer;
  }
  if (length <= 0) {
    return 0;
  }
  // One below the maximum, so that a caller's buffer of length + 1 is still representable.
  return length >= LONG_MAX ? LONG_MAX - 1 : static_cast<long>(length);
}

long Win32WindowSystem::getText(Hwnd hwnd, long size, char* buffer) {
  if (size <= 0 || buffer == nullptr) {
    return 0;
  }
  buffer[0] = '\0';
  if (!namesOneWindow(hwnd)) {
    return 0;
  }
  const LRESULT copied = send(hwnd, WM_GETTEXT, static_cast<std::uintptr_t>(size), buffer,
                              static_cast<std::size_t>(size), false);
  if (copied == kNoAnswer) {
    buffer[0] = '\0';
    return kNoAnswer;
  }
  const long count = clampToBuffer(copied, size);
  buffer[count] = '\0';
  return count;
}

int Win32WindowSystem::getWindowText(Hwnd hwnd, char* buffer, int size) {
  if (size <= 0 || buffer == nullptr) {
    return 0;
  }
  // The platform leaves the buffer untouched for some failures; the caller reads it regardless.
  buffer[0] = '\0';
  if (!namesOneWindow(hwnd)) {
    return 0;
  }
  // GetWindowTextA itself would not do: for a window of another process it returns the text the
  // window was created or last set with, never what was typed into it, so the game's input line
  // would read as empty while the player is half-way through a line, and the command would be
  // typed over his. Asking the window, as GetWindowTextA does for the caller's own windows,
  // gives its current text. It belongs to typing (where to type), so it waits for the answer:
  // a text given up on would read as empty and be typed into.
  const LRESULT copied = SendMessageA(toHwnd(hwnd), WM_GETTEXT, static_cast<WPARAM>(size),
                                      reinterpret_cast<LPARAM>(buffer));
  const int count = clampToBuffer<int>(copied, size);
  buffer[count] = '\0';
  return count;
}

void Win32WindowSystem::enumChildWindows(Hwnd parent, const std::function<long(Hwnd, long)>& visit,
                                         long lParam) {
  if (!namesOneWindow(parent) || !visit) {
    return;
  }
  ChildWalk walk{&visit, lParam, nullptr};
  EnumChildWindows(toHwnd(parent), &visitChild, reinterpret_cast<LPARAM>(&walk));
  if (walk.failure) {
    std::rethrow_exception(walk.failure);
  }
}

void Win32WindowSystem::setText(Hwnd hwnd, const char* bytes) {
  if (!namesOneWindow(hwnd) || bytes == nullptr) {
    return;
  }
  SendMessageA(toHwnd(hwnd), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes));
}

void Win32WindowSystem::sendChar(Hwnd hwnd, unsigned charCode, long keyData) {
  if (!namesOneWindow(hwnd)) {
    return;
  }
  // Key data is a 32-bit field (repeat count, scan code, flags), not a signed number: it is
  // widened without sign extension, as the platform builds it for its own keyboard messages.
  SendMessageA(toHwnd(hwnd), WM_CHAR, static_cast<WPARAM>(charCode),
               static_cast<LPARAM>(static_cast<std::uint32_t>(keyData)));
}

int Win32WindowSystem::getClassName(Hwnd hwnd, char* buffer, int size) {
  if (size <= 0 || buffer == nullptr) {
    return 0;
  }
  buffer[0] = '\0';
  if (!namesOneWindow(hwnd)) {
    return 0;
  }
  const int copied = GetClassNameA(toHwnd(hwnd), buffer, size);
  const int count = clampToBuffer<int>(copied, size);
  buffer[count] = '\0';
  return count;
}

void Win32WindowSystem::clickButton(Hwnd button) {
  if (!namesOneWindow(button)) {
    return;
  }
  // What a button sends its parent when it is clicked.
  const HWND parent = GetParent(toHwnd(button));
  const int id = GetDlgCtrlID(toHwnd(button));
  if (parent == nullptr || id == 0) {
    return;
  }
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(toHwnd(button)));
}

bool Win32WindowSystem::showWindow(Hwnd hwnd, int cmdShow) {
  if (!namesOneWindow(hwnd)) {
    return false;
  }
  const HWND window = toHwnd(hwnd);
  if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
    return ShowWindow(window, cmdShow) != FALSE;
  }
  // Another program's window changes when that program next handles its messages; ShowWindow
  // would wait for it, seconds while the game loads a map.
  const bool wasVisible = IsWindowVisible(window) != FALSE;
  ShowWindowAsync(window, cmdShow);
  return wasVisible;
}

bool Win32WindowSystem::setWindowPos(Hwnd hwnd, Hwnd insertAfter, int x, int y, int cx, int cy,
                                     unsigned flags) {
  if (!namesOneWindow(hwnd)) {
    return false;
  }
  // insertAfter passes through unchecked: 0 is HWND_TOP and -1/-2 the topmost pseudo-handles.
  // Another program's window moves when that program next handles its messages.
  UINT how = static_cast<UINT>(flags);
  if (GetWindowThreadProcessId(toHwnd(hwnd), nullptr) != GetCurrentThreadId()) {
    how |= SWP_ASYNCWINDOWPOS;
  }
  return SetWindowPos(toHwnd(hwnd), toHwnd(insertAfter), x, y, cx, cy, how) != FALSE;
}

bool Win32WindowSystem::runsElevatedAboveUs(Hwnd hwnd) {
  if (!namesOneWindow(hwnd)) {
    return false;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(toHwnd(hwnd), &processId);
  if (processId == 0) {
    return false;  // no such window
  }
  if (hwnd != checkedWindow_ || processId != checkedProcess_) {
    checkedWindow_ = hwnd;
    checkedProcess_ = processId;
    checkedAbove_ = processId != GetCurrentProcessId() && processRunsAbove(processId);
  }
  return checkedAbove_;
}

}  // namespace pvx
