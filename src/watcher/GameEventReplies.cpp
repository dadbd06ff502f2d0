#include "watcher/GameEventReplies.h"

#include "console/Text.h"
#include "watcher/ConsoleLines.h"

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

void GameEventReplies::type(const std::string& command) {
  form_.context().q3.sendConsoleCommand(command);
}

void GameEventReplies::wait(float seconds) {
  form_.context().tarn.waitSeconds(seconds);
}

std::string GameEventReplies::substitute(const std::string& templ) const {
  const std::string withName =
      text::replaceAllNoCase(templ, "%s", text::makeInert(form_.currentPlayerName));
  return text::replaceAllNoCase(withName, "%d", text::makeInert(form_.opponentName));
}

CycleFlow GameEventReplies::run(const std::string& newText) {
  // Every test looks for some text in the new text: without new text none can succeed.
  if (newText.empty())
    return CycleFlow::Continue;
  // Game events are looked for only in what others and the game wrote: the echo of what the
  // program typed and the local player's own chat lines (where its replies come back) would
  // otherwise answer the program's own words, over and over.
  const std::string events = consolelines::withoutOwnWords(newText, form_.currentPlayerName);
  // A game that (re)loads its libraries has forgotten nothing, but is asked for the name.
  if (has(events, "Loading dll file "))
    type("name");
  if (!form_.currentPlayerName.empty() && form_.replyFlag)
    return eventChain(newText, events);
  replyOnTest(newText);
  return CycleFlow::Continue;
}

bool GameEventReplies::commandPresent(const std::string& newText, const char* literal) const {
  return consolelines::firstBeginningWith(newText, form_.currentPlayerName + literal).has_value();
}

void GameEventReplies::replyOnTest(const std::string& newText) {
  if (form_.replyFlag)
    return;
  // While the name is unknown anyone may switch the replies on; that is all it does.
  const bool asked = form_.currentPlayerName.empty() ? has(newText, ": !ReplyON")
                                                     : commandPresent(newText, ": !ReplyON");
  if (!asked)
    return;
  form_.replyFlag = true;
  wait(1.0f);
  type(kInitialised);
}

CycleFlow GameEventReplies::eventChain(const std::string& newText, const std::string& events) {
  MainForm& f = form_;
  // A name cut from an event's line stays within that line.
  auto lineHolding = [&events](const std::string& needle) {
    return consolelines::firstHolding(events, needle).value_or(std::string());
  };
  const std::string name = f.currentPlayerName;
  MainWindowPort& window = f.context().window;

  if (has(events, "finished R_Init")) {  // the game finished loading
    window.yieldToEvents();
    type("name");
    return CycleFlow::EndNow;
  }
  if (has(events, name + kEntered)) {  // the local player entered
    wait(1.0f);
    type(kInitialised);
    if (f.EnterEn == 1) {
      wait(1.0f);
      type("say " + f.Enter);
    }
    return CycleFlow::Continue;
  }
  if (has(events, kEntered) && f.greetingGate) {  // another player entered
    if (f.GreetEn == 1) {
      f.greetingGate = false;
      const std::string line = lineHolding(kEntered);
      const std::string entering = text::substring(line, 0, text::findNoCase(line, kEntered));
      type("say " + text::replaceAllNoCase(f.Greet, "%d", text::makeInert(entering)));
    }
    return CycleFlow::Continue;
  }
  if (has(events, name + kEngaged)) {  // the local player engaged a duel
    f.duelFlag = true;
    const std::string line = lineHolding(name + kEngaged);
    const std::size_t at = text::findNoCase(line, kDuelWith);
    f.opponentName = text::dropRight(text::substring(line, at + text::length(kDuelWith)), 3);
    type("say " + substitute(window.duelText(DuelText::Engage)));
    return CycleFlow::Continue;
  }
  if (has(events, name + " killed himself")) {  // the local player killed himself
    if (f.DeathEn == 1) {
      wait(1.0f);
      type("say " + f.Death);
    }
    return CycleFlow::Continue;
  }
  if (has(events, kEngaged + name)) {  // another player engaged the local player
    f.duelFlag = true;
    const std::string line = lineHolding(kEngaged + name);
    f.opponentName = text::substring(line, 0, text::findNoCase(line, kEngaged + name));
    type("say " + substitute(window.duelText(DuelText::Engage)));
    return CycleFlow::Continue;
  }
  if (has(events, name + kRenamed)) {  // the local player renamed himself
    const std::string line = lineHolding(name + kRenamed);
    const std::size_t at = text::findNoCase(line, kRenamed);
    f.currentPlayerName = text::dropRight(text::substring(line, at + text::length(kRenamed)), 2);
    window.setStatusLine(f.statusPresent());
    return CycleFlow::Continue;
  }
  if (commandPresent(newText, ": !replyoff")) {  // replies switched off
    wait(1.0f);
    type(kTerminated);
    f.replyFlag = false;
    return CycleFlow::Continue;
  }
  if (has(events, name + kSabered + f.opponentName) && f.duelFlag) {  // duel lost
    f.duelFlag = false;
    const std::string reply = substitute(window.duelText(DuelText::Lost));
    wait(0.7f);
    type("say " + reply);
    return CycleFlow::Continue;
  }
  if (has(events, f.opponentName + kSabered + name) && f.duelFlag) {  // duel won
    const std::string reply = substitute(window.duelText(DuelText::Won));
    f.duelFlag = false;
    wait(0.7f);
    type("say " + reply);
    return CycleFlow::Continue;
  }
  if ((has(events, "Timelimit hit.") || has(events, "hit the kill limit.")) &&
      f.Limiten == 1) {  // a match limit hit
    wait(0.5f);
    type("say " + f.limit);
  }
  return CycleFlow::Continue;
}

}  // namespace pvx
