#pragma once

#include <string>

#include <memory>

#include "core/console/ConsoleBridge.h"
#include "core/messages/MessageSet.h"
#include "core/time/Clock.h"
#include "core/watcher/WatchCycle.h"
#include "core/windows/StatusLine.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// The answers to game events in the new text of each watch cycle: a name query when the game
// (re)loads, and while replies are on and the player's name is known, the first of the fixed
// events that the new text holds (own entry, another player entering, duels engaged, won and
// lost, self-kill, rename, replies switched off, a match limit). While replies are off or the
// name is unknown, only a ": !ReplyON" of the player switches them on again. Events are looked
// for only in lines the program did not write itself; ": !replyoff" and ": !ReplyON" count only
// on the local player's own chat line.
//
// Console text put into a typed command (player names) is made inert first; the user's own
// message texts are typed unchanged.
class GameEventReplies final : public WatchStep {
 public:
  static constexpr const char* kInitialised =
      "say ^7[^2ZB^7] ^3¬^5vendrix^3¬ ^1Parlevox V1.1 initilized";
  static constexpr const char* kTerminated = "say ^1Parlevox terminated";

  static constexpr std::int64_t kGreetingIntervalMs = 15000;

  // Creating the replies starts the greeting timer, which opens the greeting gate every 15
  // seconds.
  GameEventReplies(ConsoleBridge& bridge, Clock& clock, const Messages& messages,
                   StatusLine& status);

  Task<CycleFlow> run(std::string newText, std::string& playerName) override;

  // A template with "%s" replaced by the player's name and then "%d" by the opponent name, both
  // found without regard to case, every occurrence.
  std::string substitute(const std::string& templ, const std::string& playerName) const;

  // The reply flag: start-up switches the replies on; "!replyoff" and "!ReplyON" switch them.
  bool repliesOn() const { return repliesOn_; }
  void setRepliesOn(bool on) { repliesOn_ = on; }
  // Another player may be greeted; each tick of the greeting timer opens the gate again.
  bool greetingGateOpen() const { return greetingGate_; }
  void greetingTimerTick() { greetingGate_ = true; }
  // A duel of the local player was seen engaged and not yet decided, and with whom.
  bool duelUnderway() const { return duelFlag_; }
  const std::string& opponent() const { return opponent_; }

 private:
  // events is the new text without the program's own words; commands are read from newText.
  Task<CycleFlow> eventChain(std::string newText, std::string events, std::string& playerName);
  // Whether a line of the new text begins with the player's name and the literal.
  static bool commandPresent(const std::string& newText, const std::string& playerName,
                             const char* literal);
  Task<void> replyOnTest(std::string newText, std::string playerName);
  // A line that says the local player renamed himself: the new name, or a name query where the
  // line may have been written by someone else.
  void renamed(const std::string& events, std::string& playerName);
  // Types a command that stays with the game (the name query) at once.
  void type(const std::string& command);

  ConsoleBridge& bridge_;
  const Messages& messages_;
  StatusLine& status_;
  std::unique_ptr<Timer> greetingTimer_;
  bool repliesOn_ = false;
  bool greetingGate_ = false;
  bool duelFlag_ = false;
  std::string opponent_;
};

}  // namespace pvx
