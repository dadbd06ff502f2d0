#include "wine-gui/ParlevoxProcess.h"

#include <fstream>
#include <sstream>

namespace pvx::testing {

namespace {

constexpr DWORD kPollMs = 50;
constexpr int kStartAttempts = 5;
constexpr DWORD kRetryPauseMs = 200;
constexpr const char* kReportPrefix = "parlevox: ";

struct Search {
  DWORD pid;
  std::function<bool(HWND)> wanted;
  HWND found;
};

BOOL CALLBACK visit(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search->pid && IsWindowVisible(hwnd) && search->wanted(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

void send(const std::vector<INPUT>& inputs) {
  SendInput(static_cast<UINT>(inputs.size()), const_cast<INPUT*>(inputs.data()), sizeof(INPUT));
}

INPUT key(WORD virtualKey, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

}  // namespace

std::wstring wide(const std::string& utf8) {
  if (utf8.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string utf8(const std::wstring& wide) {
  if (wide.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

ParlevoxProcess::ParlevoxProcess(const std::filesystem::path& exe,
                                 const std::filesystem::path& workFolder)
    : errors_(workFolder / "parlevox-stderr.txt") {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const HANDLE errors =
      CreateFileW(errors_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const HANDLE nothing =
      CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  if (errors == INVALID_HANDLE_VALUE || nothing == INVALID_HANDLE_VALUE) {
    failure_ = "cannot make the files for the program's standard streams";
    return;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing;
  startup.hStdOutput = nothing;
  startup.hStdError = errors;
  SetEnvironmentVariableW(L"PARLEVOX_REPORT_STATUS", L"1");
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR (1359) while the session is busy
  // ending the previous test's processes; a moment later the same start succeeds.
  DWORD error = 0;
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    if (attempt > 0)
      Sleep(kRetryPauseMs);
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workFolder.c_str(), &startup, &process_)) {
      error = 0;
      break;
    }
    error = GetLastError();
    process_ = {};
    if (error != ERROR_INTERNAL_ERROR)
      break;
  }
  if (error != 0)
    failure_ = "cannot start " + utf8(exe.wstring()) + " (error " + std::to_string(error) + ")";
  CloseHandle(errors);
  CloseHandle(nothing);
}

ParlevoxProcess::~ParlevoxProcess() {
  if (process_.hProcess == nullptr)
    return;
  if (running()) {
    // Closing the main window ends the program as File -> Exit does.
    if (const HWND main = mainWindow())
      PostMessageW(main, WM_CLOSE, 0, 0);
    if (waitForExit(kBoundMs) < 0) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, kBoundMs);
    }
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool ParlevoxProcess::running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

long ParlevoxProcess::waitForExit(DWORD timeoutMs) {
  if (process_.hProcess == nullptr)
    return -1;
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
    return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<long>(code);
}

std::vector<std::string> ParlevoxProcess::statusLines() const {
  return reported("status");
}

std::vector<std::string> ParlevoxProcess::reported(const std::string& word) const {
  const std::string prefix = kReportPrefix + word + " ";
  std::vector<std::string> lines;
  std::ifstream in(errors_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.rfind(prefix, 0) == 0)
      lines.push_back(line.substr(prefix.size()));
  }
  return lines;
}

std::string ParlevoxProcess::statusLine() const {
  const std::vector<std::string> lines = statusLines();
  return lines.empty() ? std::string() : lines.back();
}

HWND ParlevoxProcess::window(const std::wstring& title) const {
  Search search{process_.dwProcessId,
                [&title](HWND hwnd) {
                  wchar_t text[256] = {};
                  GetWindowTextW(hwnd, text, 256);
                  return title == text;
                },
                nullptr};
  EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ParlevoxProcess::mainWindow() const {
  return window(L"Parlevox V1.1 by [ZB] \u00ACvendrix\u00AC");
}

HWND ParlevoxProcess::otherWindow(const std::vector<HWND>& known) const {
  Search search{process_.dwProcessId,
                [&known](HWND hwnd) {
                  for (const HWND k : known)
                    if (k == hwnd)
                      return false;
                  RECT r{};
                  GetWindowRect(hwnd, &r);
                  return r.right > r.left && r.bottom > r.top;
                },
                nullptr};
  EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool ParlevoxProcess::waitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= deadline)
      return done();
    Sleep(kPollMs);
  }
  return true;
}

void ParlevoxProcess::click(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  // Each event carries the place itself (absolute, on a 0..65535 scale of the screen), so the
  // press and release land there whatever moved the pointer meanwhile.
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT down{};
  down.type = INPUT_MOUSE;
  down.mi.dx = static_cast<LONG>((p.x * 65535 + width / 2) / (width - 1));
  down.mi.dy = static_cast<LONG>((p.y * 65535 + height / 2) / (height - 1));
  down.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
  INPUT up = down;
  up.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
  SetCursorPos(p.x, p.y);
  send({down, up});
}

void ParlevoxProcess::type(const std::string& text) {
  std::vector<INPUT> inputs;
  for (const wchar_t c : wide(text)) {
    inputs.push_back(key(0, c, KEYEVENTF_UNICODE));
    inputs.push_back(key(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
  }
  send(inputs);
}

void ParlevoxProcess::pressKey(WORD virtualKey, bool withControl, bool withAlt) {
  std::vector<INPUT> inputs;
  if (withControl)
    inputs.push_back(key(VK_CONTROL, 0, 0));
  if (withAlt)
    inputs.push_back(key(VK_MENU, 0, 0));
  inputs.push_back(key(virtualKey, 0, 0));
  inputs.push_back(key(virtualKey, 0, KEYEVENTF_KEYUP));
  if (withAlt)
    inputs.push_back(key(VK_MENU, 0, KEYEVENTF_KEYUP));
  if (withControl)
    inputs.push_back(key(VK_CONTROL, 0, KEYEVENTF_KEYUP));
  send(inputs);
}

}  // namespace pvx::testing
