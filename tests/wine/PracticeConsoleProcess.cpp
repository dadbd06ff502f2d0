#include "wine/PracticeConsoleProcess.h"

#include <atomic>
#include <filesystem>
#include <fstream>

#include "win32-practice-console/PracticeControl.h"

namespace pvx::testing {

namespace {

// Bounds, never delays: each wait ends as soon as what it waits for has happened (only a start
// Wine failed is tried again after a pause). Wine may need a few seconds for a program's first
// window on a cold machine.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kPollMs = 10;
constexpr int kStartAttempts = 5;
constexpr DWORD kRetryPauseMs = 200;
constexpr UINT kSendTimeoutMs = 10000;
constexpr DWORD kExitTimeoutMs = 10000;

std::wstring toWide(std::string_view utf8) {
  if (utf8.empty())
    return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string folderOfThisProgram() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string full(path, length);
  const std::size_t slash = full.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

// One argument quoted so that the command-line parser of the started program gives it back
// unchanged (backslashes count only before a quote).
std::string quoteArgument(std::string_view argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    out += c;
    backslashes = 0;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::string toUtf8(const std::wstring& wide) {
  if (wide.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// A new file name in the temporary folder, for one practice console's record.
std::string newRecordPath() {
  static std::atomic<int> count{0};
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return toUtf8(folder) + "parlevox-practice-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++count) + ".txt";
}

// The record's details as the game's bytes: its escapes undone.
std::string unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    if (next == 'n') {
      out += '\n';
    } else if (next == 'r') {
      out += '\r';
    } else if (next == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

bool sendTo(HWND control, std::string_view command) {
  COPYDATASTRUCT data{};
  data.dwData = practice::kControlMagic;
  data.cbData = static_cast<DWORD>(command.size());
  data.lpData = const_cast<char*>(command.data());
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
         result == 1;
}

}  // namespace

PracticeConsoleProcess::PracticeConsoleProcess(const std::vector<std::string>& arguments)
    : recordPath_(newRecordPath()) {
  endLeftover();
  const std::string exe = folderOfThisProgram() + practice::kExecutable;
  std::string commandLine = quoteArgument(exe);
  std::vector<std::string> all = arguments;
  all.insert(all.end(), {"--record", recordPath_});
  for (const std::string& argument : all) {
    commandLine += ' ';
    commandLine += quoteArgument(argument);
  }
  // UTF-16 all the way, so that a line to print keeps every character whatever the code page.
  std::wstring wideExe = toWide(exe);
  std::wstring wideCommandLine = toWide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // Wine now and then fails a start with ERROR_INTERNAL_ERROR (1359) while the session is busy
  // ending the previous test's console; a moment later the same start succeeds.
  DWORD error = 0;
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    if (attempt > 0)
      Sleep(kRetryPauseMs);
    if (CreateProcessW(wideExe.c_str(), wideCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process_)) {
      error = 0;
      break;
    }
    error = GetLastError();
    process_ = {};
    if (error != ERROR_INTERNAL_ERROR)
      break;
  }
  if (error != 0) {
    failure_ = "cannot start " + exe + " (error " + std::to_string(error) + ")";
    return;
  }
  started_ = waitForWindows(kStartTimeoutMs);
}

PracticeConsoleProcess::~PracticeConsoleProcess() {
  if (process_.hProcess == nullptr)
    return;
  if (running()) {
    send("quit");
    if (!waitForExit(kExitTimeoutMs)) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, kExitTimeoutMs);
    }
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  DeleteFileW(toWide(recordPath_).c_str());
}

std::vector<PracticeConsoleProcess::Event> PracticeConsoleProcess::record() const {
  std::vector<Event> events;
  std::ifstream in(std::filesystem::path(toWide(recordPath_)), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || in.eof())
      continue;  // the last line is complete only once its line feed is there
    const std::size_t second = line.find(' ', blank + 1);
    Event e;
    e.ms = std::stoll(line.substr(0, blank));
    e.event = line.substr(blank + 1,
                          second == std::string::npos ? std::string::npos : second - blank - 1);
    if (second != std::string::npos)
      e.details = unescaped(std::string_view(line).substr(second + 1));
    events.push_back(std::move(e));
  }
  return events;
}

std::vector<std::string> PracticeConsoleProcess::corruptions() const {
  std::vector<std::string> out;
  for (const Event& e : record()) {
    if (e.event == "corrupt")
      out.push_back(e.details);
  }
  return out;
}

bool PracticeConsoleProcess::waitForRead(DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    bool unread = false;
    for (const Event& e : record()) {
      if (e.event == "enter")
        unread = true;
      else if (e.event == "read")
        unread = false;
    }
    // The game runs what it read before it pumps again: once this is answered, it has.
    if (!unread)
      return send("ping");
    if (GetTickCount64() >= deadline || !running())
      return false;
    Sleep(kPollMs);
  }
}

bool PracticeConsoleProcess::waitForWindows(DWORD timeoutMs) {
  // The practice console makes its windows before it first waits for input, so idle should mean
  // up; but Wine may signal idle early, while the first window of a session waits for the
  // desktop. The control window comes last, so once it is there everything is.
  WaitForInputIdle(process_.hProcess, timeoutMs);
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (!running()) {
      DWORD code = 0;
      GetExitCodeProcess(process_.hProcess, &code);
      failure_ = "the practice console ended at once (exit code " + std::to_string(code) + ")";
      return false;
    }
    if (FindWindowA(practice::kControlClass, nullptr) != nullptr) {
      if (consoleWindow() != nullptr && gameWindow() != nullptr)
        return true;
      failure_ = "the practice console is up without the game's windows";
      return false;
    }
    if (GetTickCount64() >= deadline) {
      failure_ = "the practice console's windows did not come up within " +
                 std::to_string(timeoutMs) + " ms";
      return false;
    }
    Sleep(kPollMs);
  }
}

bool PracticeConsoleProcess::send(std::string_view command) {
  const HWND control = FindWindowA(practice::kControlClass, nullptr);
  return control != nullptr && sendTo(control, command);
}

bool PracticeConsoleProcess::running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool PracticeConsoleProcess::waitForExit(DWORD timeoutMs) {
  return process_.hProcess == nullptr ||
         WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

HWND PracticeConsoleProcess::consoleWindow() {
  return FindWindowA(nullptr, practice::kConsoleTitle);
}

HWND PracticeConsoleProcess::gameWindow() {
  return FindWindowA(practice::kGameWindowClassAnsi, nullptr);
}

void PracticeConsoleProcess::endLeftover() {
  const HWND control = FindWindowA(practice::kControlClass, nullptr);
  if (control == nullptr)
    return;
  DWORD pid = 0;
  GetWindowThreadProcessId(control, &pid);
  const HANDLE leftover = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  sendTo(control, "quit");
  if (leftover == nullptr)
    return;
  if (WaitForSingleObject(leftover, kExitTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(leftover, 1);
    WaitForSingleObject(leftover, kExitTimeoutMs);
  }
  CloseHandle(leftover);
}

}  // namespace pvx::testing
