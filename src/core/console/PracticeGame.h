#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace pvx {

// A small stand-in for the game's console, for practice where there is no real game: it keeps
// the console log as the game's window shows it (ANSI bytes, CR LF line ends, colour escapes
// ^0-^7 removed) and runs the lines entered in its input line. It knows nothing of windows: a
// host (the simulated window tree, or a real Win32 window) shows its log and feeds it lines.
class PracticeGame {
 public:
  static constexpr std::size_t kWipeAfter = 32767;
  static constexpr const char* kDefaultName = "Padawan";

  // name: the local player's name (UTF-8).
  explicit PracticeGame(std::string_view name = kDefaultName);

  // The game prints a line (UTF-8): it lands in the log followed by CR LF, colour escapes
  // removed unless they are kept.
  void print(std::string_view utf8Line);
  // Enter pressed in the input line while it holds these ANSI bytes: the game echoes "]" and the
  // line, then runs it with one leading "/" or "\" dropped.
  void enterLine(std::string_view ansiLine);
  void clearLog();

  // The log as the window shows it, in ANSI bytes.
  const std::string& log() const { return log_; }
  std::string playerName() const;  // UTF-8
  void setPlayerName(std::string_view utf8Name);
  // With colours kept the log shows the game's "^" escapes as they are printed.
  void setKeepColours(bool keep) { keepColours_ = keep; }
  bool keepColours() const { return keepColours_; }

  // Typical events, as the game prints them (with its colour escapes), for the practice window.
  enum class Event {
    OtherEnters,
    DuelWithYou,
    YouWon,
    YouLost,
    YouKilledYourself,
    TimeLimit,
    FinishedLoading
  };
  // The line for an event between the local player and another player named other (UTF-8).
  std::string eventLine(Event event, std::string_view other) const;
  // The local player's chat line, as the game prints it.
  std::string chatLine(std::string_view message) const;

  // Called after every change of the log.
  std::function<void()> onLogChanged;

 private:
  void printAnsi(std::string_view ansiLine);
  void run(std::string_view line);

  std::string log_;
  std::size_t addedSinceWipe_ = 0;
  std::string name_;  // ANSI bytes
  bool keepColours_ = false;
};

}  // namespace pvx
