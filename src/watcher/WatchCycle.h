#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/MainForm.h"

namespace pvx {

// How a step inside the cycle tells the cycle to go on.
enum class CycleFlow { Continue, EndNow };

// The heartbeat: one pass on every tick of the watch timer. It keeps the player window docked,
// notices the game's console window coming and going, follows the growth of the console log and
// takes the newly appended text (at most its last 200 characters), hands it to the game-event
// replies and the chat commands, learns the local player's name from the game's answer to a name
// query, and keeps the status line and the newest console text shown. All reading and typing goes
// through the console bridge. The watch timer is stopped while a cycle runs and re-armed by its
// closing step, so cycles never overlap, even while one yields to pending events.
class WatchCycle {
 public:
  static constexpr long kLogLimit = 30000;
  static constexpr std::size_t kNewTextLimit = 200;
  static constexpr int kConsoleLogChild = 5;
  // How the game's answer to a name query begins.
  static constexpr const char* kNameAnswer = "\"name\" is:";

  explicit WatchCycle(MainForm& form);
  WatchCycle(const WatchCycle&) = delete;
  WatchCycle& operator=(const WatchCycle&) = delete;

  // One watch cycle.
  void cycle();

  // On every cycle that reaches it, with the whole lines of the new text: the game-event
  // replies, or the reply-on test while replies are off or the name is unknown. It may end the
  // cycle.
  std::function<CycleFlow(const std::string& newText)> gameEvents;
  // Next, only while the current player name is known: the chat command chain.
  std::function<CycleFlow(const std::string& newText)> chatCommands;

  // The new text of the latest cycle (empty when the log did not grow in it).
  const std::string& newText() const { return newText_; }
  // What the replies, the chat commands and the name discovery read of it: its whole lines.
  const std::string& wholeLines() const { return wholeLines_; }
  // How many cycles have started and ended, for drivers that wait for a whole cycle.
  std::uint64_t cyclesStarted() const { return started_; }
  std::uint64_t cyclesEnded() const { return ended_; }

 private:
  // Steps 1 to 15; returning ends the cycle at the closing step.
  void body();
  void takeNewText();
  // Takes the name from the game's answer to a name query (its line, with its line break).
  void quoteScan(const std::string& answer);
  void type(const char* command);
  void yield();

  MainForm& form_;
  std::string newText_;
  std::string wholeLines_;
  std::uint64_t started_ = 0;
  std::uint64_t ended_ = 0;
};

}  // namespace pvx
