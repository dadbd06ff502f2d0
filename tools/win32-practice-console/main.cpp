// The Win32 practice console: the retail game's console window and main window in real Win32
// windows, run as the game runs them, for trying the program's real window-system calls from
// another process (under Wine or on Windows). A test tool, never shipped.
//
//   win32-practice-console [--name NAME] [--print LINE]... [--hidden] [--record FILE]
//                          [--round-trip MS] [--flood-protect] [--render-bound] [--tell-changes]
//   win32-practice-console --send COMMAND
//
// --hidden: the game hides its console after start-up (the player has not set viewlog).
// --record FILE: every event is written to FILE (PracticeControl.h).
// --round-trip MS: the server's answers (chat, renames) come MS milliseconds after the command.
// --flood-protect: the server ignores a command within a second of the client's previous one.
// --render-bound: the game renders whole frames, as when it does not wait for its frame rate: it
//   pumps its messages only twice a 16 ms frame, one pass right after the other, so a message
//   sent to any of its windows waits up to a frame (without it, the game waits for its frame rate
//   most of each frame and pumps whenever a message comes).
// --tell-changes: after each change of the log's text (a print, the Clear button, the wipe) the
//   game sends EVENT_OBJECT_VALUECHANGE for the log (NotifyWinEvent), as Windows' edit control
//   does; Wine's edit control does not, so without it the log tells nothing under Wine.
//
// --send hands one command (PracticeControl.h) to the practice console already running and
// exits with 0 when it was carried out, 1 when no practice console runs, 2 when the command was
// not understood.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32-practice-console/PracticeControl.h"
#include "win32-practice-console/Win32PracticeConsole.h"

#include <shellapi.h>

namespace {

constexpr int kUsageError = 64;
constexpr UINT kSendTimeoutMs = 10000;

std::string toUtf8(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1)
    return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(size - 1));
  return out;
}

// The arguments as UTF-8, whatever the ANSI code page: a line to print may hold any character.
std::vector<std::string> arguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i)
    args.push_back(toUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

int send(const std::string& command) {
  const HWND control = FindWindowA(pvx::practice::kControlClass, nullptr);
  if (control == nullptr)
    return 1;
  COPYDATASTRUCT data{};
  data.dwData = pvx::practice::kControlMagic;
  data.cbData = static_cast<DWORD>(command.size());
  data.lpData = const_cast<char*>(command.data());
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) == 0)
    return 1;
  return result == 1 ? 0 : 2;
}

int usage(const char* problem) {
  std::fprintf(stderr,
               "%s\nusage: win32-practice-console [--name NAME] [--print LINE]... [--hidden] "
               "[--record FILE] [--round-trip MS] [--flood-protect] [--render-bound]\n"
               "                              [--tell-changes]\n"
               "       win32-practice-console --send COMMAND\n",
               problem);
  return kUsageError;
}

}  // namespace

int main() {
  const std::vector<std::string> args = arguments();
  pvx::Win32PracticeConsole::Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--send" && hasValue) {
      return send(args[i + 1]);
    } else if (arg == "--name" && hasValue) {
      options.name = args[++i];
    } else if (arg == "--print" && hasValue) {
      options.lines.push_back(args[++i]);
    } else if (arg == "--hidden") {
      options.hidden = true;
    } else if (arg == "--record" && hasValue) {
      options.recordPath = args[++i];
    } else if (arg == "--round-trip" && hasValue) {
      options.server.roundTripMs = std::strtol(args[++i].c_str(), nullptr, 10);
    } else if (arg == "--flood-protect") {
      options.server.floodProtect = true;
    } else if (arg == "--render-bound") {
      options.renderBound = true;
    } else if (arg == "--tell-changes") {
      options.tellsChanges = true;
    } else {
      return usage(("unknown or incomplete option: " + arg).c_str());
    }
  }

  pvx::Win32PracticeConsole console(GetModuleHandleA(nullptr), options);
  if (!console.ok()) {
    std::fprintf(stderr, "win32-practice-console: the windows could not be created\n");
    return 1;
  }
  return console.run();
}
