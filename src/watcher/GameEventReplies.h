#pragma once

#include <string>

#include "app/MainForm.h"
#include "watcher/WatchCycle.h"

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
class GameEventReplies {
 public:
  static constexpr const char* kInitialised =
      "say ^7[^2ZB^7] ^3¬^5vendrix^3¬ ^1Parlevox V1.1 initilized";
  static constexpr const char* kTerminated = "say ^1Parlevox terminated";

  explicit GameEventReplies(MainForm& form) : form_(form) {}

  // Step 13 of the watch cycle.
  CycleFlow run(const std::string& newText);

  // A template with "%s" replaced by the current player name and then "%d" by the opponent
  // name, both found without regard to case, every occurrence.
  std::string substitute(const std::string& templ) const;

 private:
  // events is the new text without the program's own words; commands are read from newText.
  CycleFlow eventChain(const std::string& newText, const std::string& events);
  // Whether a line of the new text begins with the current player name and the literal.
  bool commandPresent(const std::string& newText, const char* literal) const;
  void replyOnTest(const std::string& newText);
  void type(const std::string& command);
  void wait(float seconds);

  MainForm& form_;
};

}  // namespace pvx
