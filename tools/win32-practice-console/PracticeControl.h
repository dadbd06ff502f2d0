#pragma once

#include <cstdint>

// How a test or a script steers a running Win32 practice console. The console owns a hidden
// top-level window of class kControlClass; a WM_COPYDATA message to it whose dwData is
// kControlMagic and whose data is the UTF-8 text of one command (no NUL needed) is carried out
// before SendMessage returns, which answers 1 for a command understood and 0 otherwise. The
// control window is made last: once it exists, every other window is in place and the lines to
// print at start are in the log.
//
// Commands:
//   print <line>           the game prints the line (UTF-8; colour escapes removed as the game
//                          removes them)
//   enter <line>           the player types the line into the input line and presses Enter
//   close-console          the console window goes away; the game and its main window stay
//   close-console-on-type  the console window goes away the next time its input line receives
//                          text (WM_SETTEXT), after the text and before any carriage return
//   open-console           the console window comes back, showing the game's log
//   quit                   the game ends: every window goes, the process exits
namespace pvx::practice {

inline constexpr const char* kControlClass = "Parlevox Practice Control";
inline constexpr std::uintptr_t kControlMagic = 0x50565843;  // "PVXC"
inline constexpr const char* kExecutable = "win32-practice-console.exe";

// The game's main window class in the ANSI code page: "®" is byte 0xAE.
inline constexpr const char* kGameWindowClassAnsi = "Jedi Knight\xAE: Jedi Academy (MP)";
inline constexpr const char* kConsoleClass = "JAMP WinConsole";
inline constexpr const char* kConsoleTitle = "Jedi Knight Academy MP Console";

}  // namespace pvx::practice
