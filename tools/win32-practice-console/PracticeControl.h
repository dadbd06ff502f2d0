#pragma once

#include <cstdint>

// How a test or a script steers a running Win32 practice console, and the record it keeps.
//
// The control channel. The console owns a hidden top-level window of class kControlClass; a
// WM_COPYDATA message to it whose dwData is kControlMagic and whose data is the UTF-8 text of one
// command (no NUL needed) is carried out before SendMessage returns, which answers 1 for a
// command understood and 0 otherwise. The control window is made last: once it exists, every
// other window is in place and the lines to print at start are in the log. It lives on the
// game's thread, so it answers only when the game pumps its messages: not during a frame, a
// stall or a map load.
//
// Commands:
//   print <line>           the game prints the line (UTF-8); a line feed in it begins another
//                          line, all of them printed in one frame of the game
//   enter <line>           the player types the line into the input line and presses Enter; the
//                          game reads and runs it after this pump of its messages, not before the
//                          command returns
//   player <line>          the player types the line into the input line and presses Enter as
//                          soon as the server takes a command of his again and the input line
//                          is empty: a player reads the answer before he types on
//   stall <ms>             once this command has returned, the game pumps nothing for ms
//                          milliseconds, as while it loads a map; then the player's input of the
//                          meantime is pumped, the console input read, and the game goes on
//   fatal <text>           the game stops with a fatal error: the text is printed, an error box
//                          (class "static", its first 79 bytes) becomes the console's last child,
//                          the input line is destroyed, the console shown; from then on nothing
//                          is read or run, and closing the console or Quit ends the game
//   hide-console           the console window is hidden (as without viewlog), yet still there
//   show-console           the console window is shown again
//   ping                   nothing: answered once every message before it was handled
//   mark <text>            nothing but the record's event "mark <text>": a test finds its own
//                          moments in the game's time
//   close-console          the console window goes away; the game and its main window stay
//   close-console-on-type  the console window goes away the next time its input line receives
//                          text (WM_SETTEXT), after the text and before any carriage return
//   open-console           the console window comes back, showing the game's log
//   quit                   the game ends: every window goes, the process exits
//
// The record (--record FILE): one line per event, written the moment it happens, as
//   <ms> <event>[ <details>]
// where ms counts milliseconds since the console started. In the details a backslash is written
// "\\", a line feed "\n", a carriage return "\r" and any other control byte "\xHH"; the other
// bytes are the game's own (the system's ANSI code page, as the text of every control command,
// given in UTF-8, becomes). Events:
//   start name=<name> hidden=<0|1> round-trip=<ms> flood-protect=<0|1> render-bound=<0|1>
//         tells-changes=<0|1>
//   print <text>                 the game printed: the text as its log shows it (colours gone,
//                                line breaks CR LF), also the echo of an entered line
//   enter <length> <line>        Enter on the input line, with the line's length in bytes
//   corrupt key-bindings <n>     that Enter's line (256 bytes or more) overwrote n bytes of the
//                                player's key bindings behind the game's 256-byte console field
//   corrupt unread-buffer <n>    that Enter came with 508 bytes or more unread: the game copied
//                                without a bound, n bytes past its 512-byte buffer
//   read <lines> single|joined <text>
//                                the game read its console input: the lines entered since the
//                                last read, joined when there were several
//   run <command>                a command the game ran (one leading slash of a read dropped)
//   slashed <command>            a command that kept its slash (a later line of a joined read):
//                                the game knows no such command and sends it to the server
//   server taken|ignored <command>
//                                a command sent to the server, and whether the server's flood
//                                protection let it through (an ignored say prints nothing; a
//                                rename is applied all the same, as the server applies userinfo)
//   clear-command                the "clear" command: the in-game console emptied, the window's
//                                log left as it is
//   clear-button <chars>         the Clear button pressed: the log of that many characters
//                                emptied
//   wipe <chars>                 the log's count passed 32767: the log of that many characters
//                                replaced by the newest print
//   cost second=<s> window=<log|input|console|button-<id>>[ <message>=<n>]... copied=<chars>
//                                what other programs asked of one of the console's windows in
//                                that second (counted by message: WM_GETTEXTLENGTH, WM_GETTEXT,
//                                WM_SETTEXT, WM_CHAR, WM_COMMAND, EM_GETLINECOUNT, EM_LINEINDEX,
//                                EM_LINELENGTH, EM_GETLINE, EM_LINEFROMCHAR, other), and the
//                                characters WM_GETTEXT and EM_GETLINE copied out of it; written
//                                once the second is over
//   stall begin <ms> | stall end <ms it lasted>
//   fatal <text>
//   hide | show                  the console window hidden or shown
//   mark <text>                  the control command "mark"
//   quit                         the game ends
namespace pvx::practice {

inline constexpr const char* kControlClass = "Parlevox Practice Control";
inline constexpr std::uintptr_t kControlMagic = 0x50565843;  // "PVXC"
inline constexpr const char* kExecutable = "win32-practice-console.exe";

// The game's main window class in the ANSI code page: "®" is byte 0xAE.
inline constexpr const char* kGameWindowClassAnsi = "Jedi Knight\xAE: Jedi Academy (MP)";
inline constexpr const char* kConsoleClass = "JAMP WinConsole";
inline constexpr const char* kConsoleTitle = "Jedi Knight Academy MP Console";

}  // namespace pvx::practice
