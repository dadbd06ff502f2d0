#include "core/watcher/GameEventReplies.h"

#include <optional>

#include "core/text/Text.h"
#include "core/watcher/ConsoleLines.h"

namespace pvx {

namespace {

constexpr const char* kEntered = " entered the game";
constexpr const char* kEngaged = " has become engaged in a duel with ";
constexpr const char* kDuelWith = " duel with ";
constexpr const char* kRenamed = " renamed to ";
constexpr const char* kSabered = " was sabered by ";

bool has(const std::string& haystack, const std::string& needle) {
  return text::containsNoCase(haystack, needle);
}

}  // namespace

GameEventReplies::GameEventReplies(ConsoleBridge& bridge, Clock& clock, const Messages& messages,
                                   StatusLine& status)
    : bridge_(bridge),
      messages_(messages),
      status_(status),
      greetingTimer_(clock.makeTimer([this] { greetingTimerTick(); })) {
  greetingTimer_->start(kGreetingIntervalMs);
}

void GameEventReplies::type(const std::string& command) {
  bridge_.sendConsoleCommand(command);
}

std::string GameEventReplies::substitute(const std::string& templ,
                                         const std::string& playerName) const {
  const std::string withName = text::replaceAllNoCase(templ, "%s", text::makeInert(playerName));
  return text::replaceAllNoCase(withName, "%d", text::makeInert(opponent_));
}

Task<CycleFlow> GameEventReplies::run(std::string newText, std::string& playerName) {
  // Every test looks for some text in the new text: without new text none can succeed.
  if (newText.empty())
    co_return CycleFlow::Continue;
  // Game events are looked for only in what others and the game wrote: the echo of what the
  // program typed and the local player's own chat lines (where its replies come back) would
  // otherwise answer the program's own words, over and over.
  const std::string events =
      consolelines::withoutOwnWords(newText, playerName, bridge_.recentlySaid());
  // A game that (re)loads its libraries has forgotten nothing, but is asked for the name.
  if (has(events, "Loading dll file "))
    type("name");
  if (!playerName.empty() && repliesOn_)
    co_return co_await eventChain(newText, events, playerName);
  co_await replyOnTest(newText, playerName);
  co_return CycleFlow::Continue;
}

void GameEventReplies::renamed(const std::string& events, std::string& playerName) {
  // The game prints the rename on a line of its own that begins with the old name. Anyone can
  // write the same words: in a chat line ("Bob: Ann renamed to Evil"), or by taking a name that
  // begins with them ("Ann renamed to Evil"), so that what the game prints after his name (his
  // chat, his entry, his own rename) reads as Ann's rename. All of that begins with a blank
  // (": ", " entered the game", " renamed to "): a new name without one can only be the new
  // name. Any other is not believed and the game is asked for the name instead; its answer
  // cannot be forged, as no name may hold a double quote.
  const std::string prefix = playerName + kRenamed;
  const std::optional<std::string> line = consolelines::firstBeginningWith(events, prefix);
  const std::string newName =
      line ? text::dropRight(text::substring(*line, text::length(prefix)), 2) : std::string();
  if (!line || newName.find_first_of(" \t") != std::string::npos) {
    type("name");
    return;
  }
  playerName = newName;
  status_.showPlayer(playerName);
}

bool GameEventReplies::commandPresent(const std::string& newText, const std::string& playerName,
                                      const char* literal) {
  return consolelines::firstBeginningWith(newText, playerName + literal).has_value();
}

Task<void> GameEventReplies::replyOnTest(std::string newText, std::string playerName) {
  if (repliesOn_)
    co_return;
  // While the name is unknown anyone may switch the replies on; that is all it does.
  const bool asked = playerName.empty() ? has(newText, ": !ReplyON")
                                        : commandPresent(newText, playerName, ": !ReplyON");
  if (!asked)
    co_return;
  repliesOn_ = true;
  co_await bridge_.waitSeconds(1.0f);
  co_await bridge_.type(kInitialised);
}

Task<CycleFlow> GameEventReplies::eventChain(std::string newText, std::string events,
                                             std::string& playerName) {
  // A name cut from an event's line stays within that line.
  auto lineHolding = [&events](const std::string& needle) {
    return consolelines::firstHolding(events, needle).value_or(std::string());
  };
  const std::string name = playerName;
  // The replies this chain decides on are typed as the set stood then, whatever is edited or
  // loaded while they wait.
  const MessageSet set = messages_.current();

  if (has(events, "finished R_Init")) {  // the game finished loading
    co_await bridge_.yieldToEvents();
    type("name");
    co_return CycleFlow::EndNow;
  }
  if (has(events, name + kEntered)) {  // the local player entered
    co_await bridge_.waitSeconds(1.0f);
    co_await bridge_.type(kInitialised);
    if (set.ownEntry.on()) {
      co_await bridge_.waitSeconds(1.0f);
      co_await bridge_.type("say " + set.ownEntry.text);
    }
    co_return CycleFlow::Continue;
  }
  if (has(events, kEntered) && greetingGate_) {  // another player entered
    if (set.greeting.on()) {
      greetingGate_ = false;
      const std::string line = lineHolding(kEntered);
      const std::string entering = text::substring(line, 0, text::findNoCase(line, kEntered));
      co_await bridge_.type(
          "say " + text::replaceAllNoCase(set.greeting.text, "%d", text::makeInert(entering)));
    }
    co_return CycleFlow::Continue;
  }
  if (has(events, name + kEngaged)) {  // the local player engaged a duel
    duelFlag_ = true;
    const std::string line = lineHolding(name + kEngaged);
    const std::size_t at = text::findNoCase(line, kDuelWith);
    opponent_ = text::dropRight(text::substring(line, at + text::length(kDuelWith)), 3);
    co_await bridge_.type("say " + substitute(set.duelEngage, name));
    co_return CycleFlow::Continue;
  }
  if (has(events, name + " killed himself")) {  // the local player killed himself
    if (set.selfKill.on()) {
      co_await bridge_.waitSeconds(1.0f);
      co_await bridge_.type("say " + set.selfKill.text);
    }
    co_return CycleFlow::Continue;
  }
  if (has(events, kEngaged + name)) {  // another player engaged the local player
    duelFlag_ = true;
    const std::string line = lineHolding(kEngaged + name);
    opponent_ = text::substring(line, 0, text::findNoCase(line, kEngaged + name));
    co_await bridge_.type("say " + substitute(set.duelEngage, name));
    co_return CycleFlow::Continue;
  }
  if (has(events, name + kRenamed)) {  // the local player renamed himself
    renamed(events, playerName);
    co_return CycleFlow::Continue;
  }
  if (commandPresent(newText, name, ": !replyoff")) {  // replies switched off
    co_await bridge_.waitSeconds(1.0f);
    co_await bridge_.type(kTerminated);
    repliesOn_ = false;
    co_return CycleFlow::Continue;
  }
  if (has(events, name + kSabered + opponent_) && duelFlag_) {  // duel lost
    duelFlag_ = false;
    const std::string reply = substitute(set.duelLost, name);
    co_await bridge_.waitSeconds(0.7f);
    co_await bridge_.type("say " + reply);
    co_return CycleFlow::Continue;
  }
  if (has(events, opponent_ + kSabered + name) && duelFlag_) {  // duel won
    const std::string reply = substitute(set.duelWon, name);
    duelFlag_ = false;
    co_await bridge_.waitSeconds(0.7f);
    co_await bridge_.type("say " + reply);
    co_return CycleFlow::Continue;
  }
  if ((has(events, "Timelimit hit.") || has(events, "hit the kill limit.")) &&
      set.limit.on()) {  // a match limit hit
    co_await bridge_.waitSeconds(0.5f);
    co_await bridge_.type("say " + set.limit.text);
  }
  co_return CycleFlow::Continue;
}

}  // namespace pvx
