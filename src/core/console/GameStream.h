#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace pvx {

// A running game reached through its standard streams: what it prints (standard output and
// error, in the order printed) and the lines it reads as console commands. The game runs on
// its own; the stream never blocks the caller and never blocks the game.
class GameStream {
 public:
  // Receives bytes the game printed, in order. Called on the stream's own thread, one call at a
  // time.
  using Sink = std::function<void(std::string_view bytes)>;

  virtual ~GameStream() = default;

  // Where the game's output goes from now on; output printed before the first sink was set is
  // given to it first. Once this returns, the previous sink is never called again, so a null
  // sink detaches its owner safely.
  virtual void setSink(Sink sink) = 0;
  // The longest line the game takes whole: it reads its input in pieces of at most 256 bytes,
  // the line feed included, and runs each piece as a line of its own.
  static constexpr std::size_t kMaxLineBytes = 255;

  // Gives the line (bytes, without a line end) and a line feed to the game's standard input,
  // as the game's own console window would pass one Enter: alone and whole. Lines reach the
  // game in the order given, each once the game has taken the one before, and a line longer
  // than kMaxLineBytes is cut to that length (its tail would otherwise run as a command of its
  // own). A game that has ended, or stopped reading, loses the line; the caller never waits.
  virtual void sendLine(std::string_view bytes) = 0;
  // Called on the stream's thread each time the game printed something (after the sink took
  // it) or ended. Once this returns, the previous one is never called again.
  virtual void setOnActivity(std::function<void()> onActivity) = 0;
  // Whether the game has ended (exited, crashed or killed). Once true, everything the game
  // printed has gone to the sink.
  virtual bool ended() = 0;
  // Blocks at most timeoutMs of real time until the game prints something or ends; returns
  // whether it did. For tests and tools that wait for a real game, never for the program.
  virtual bool waitForActivity(std::int64_t timeoutMs) = 0;
};

// The game's own window on the desktop (not its console), found by its title, for "!mini" and
// "Back to Game".
class DesktopGameWindow {
 public:
  virtual ~DesktopGameWindow() = default;
  // Whether the window is on the desktop now.
  virtual bool present() = 0;
  // Minimises it to the taskbar.
  virtual void iconify() = 0;
  // Shows it again and brings it to the front.
  virtual void restore() = 0;
};

}  // namespace pvx
