#include "watcher/GameEventReplies.h"

#include "console/Text.h"

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
  // A game that (re)loads its libraries has forgotten nothing, but is asked for the name.
  if (has(newText, "Loading dll file "))
    type("name");
  if (!form_.currentPlayerName.empty() && form_.replyFlag)
    return eventChain(newText);
  replyOnTest(newText);
  return CycleFlow::Continue;
}

void GameEventReplies::replyOnTest(const std::string& newText) {
  if (form_.replyFlag || !has(newText, form_.currentPlayerName + ": !ReplyON"))
    return;
  form_.replyFlag = true;
  wait(1.0f);
  type(kInitialised);
}

CycleFlow GameEventReplies::eventChain(const std::string& newText) {
  MainForm& f = form_;
  const std::string name = f.currentPlayerName;
  MainWindowPort& window = f.context().window;

  if (has(newText, "finished R_Init")) {  // 1: the game finished loading
    window.yieldToEvents();
    type("name");
    return CycleFlow::EndNow;
  }
  if (has(newText, name + kEntered)) {  // 2: the local player entered
    wait(1.0f);
    type(kInitialised);
    if (f.EnterEn == 1) {
      wait(1.0f);
      type("say " + f.Enter);
    }
    return CycleFlow::Continue;
  }
  if (has(newText, kEntered) && f.greetingGate) {  // 3: another player entered
    if (f.GreetEn == 1) {
      f.greetingGate = false;
      const std::string entering = text::substring(newText, 0, text::findNoCase(newText, kEntered));
      type("say " + text::replaceAllNoCase(f.Greet, "%d", text::makeInert(entering)));
    }
    return CycleFlow::Continue;
  }
  if (has(newText, name + kEngaged)) {  // 4: the local player engaged a duel
    f.duelFlag = true;
    const std::size_t at = text::findNoCase(newText, kDuelWith);
    f.opponentName = text::dropRight(text::substring(newText, at + text::length(kDuelWith)), 3);
    type("say " + substitute(window.duelText(DuelText::Engage)));
    return CycleFlow::Continue;
  }
  if (has(newText, name + " killed himself")) {  // 5
    if (f.DeathEn == 1) {
      wait(1.0f);
      type("say " + f.Death);
    }
    return CycleFlow::Continue;
  }
  if (has(newText, kEngaged + name)) {  // 6: another player engaged the local player
    f.duelFlag = true;
    f.opponentName = text::substring(newText, 0, text::findNoCase(newText, kEngaged + name));
    type("say " + substitute(window.duelText(DuelText::Engage)));
    return CycleFlow::Continue;
  }
  if (has(newText, name + kRenamed)) {  // 7: the local player renamed himself
    const std::size_t at = text::findNoCase(newText, kRenamed);
    f.currentPlayerName = text::dropRight(text::substring(newText, at + text::length(kRenamed)), 2);
    window.setStatusLine(f.statusPresent());
    return CycleFlow::Continue;
  }
  if (has(newText, name + ": !replyoff")) {  // 8
    wait(1.0f);
    type(kTerminated);
    f.replyFlag = false;
    return CycleFlow::Continue;
  }
  if (has(newText, name + kSabered + f.opponentName) && f.duelFlag) {  // 9: duel lost
    f.duelFlag = false;
    const std::string reply = substitute(window.duelText(DuelText::Lost));
    wait(0.7f);
    type("say " + reply);
    return CycleFlow::Continue;
  }
  if (has(newText, f.opponentName + kSabered + name) && f.duelFlag) {  // 10: duel won
    const std::string reply = substitute(window.duelText(DuelText::Won));
    f.duelFlag = false;
    wait(0.7f);
    type("say " + reply);
    return CycleFlow::Continue;
  }
  if ((has(newText, "Timelimit hit.") || has(newText, "hit the kill limit.")) &&
      f.Limiten == 1) {  // 11
    wait(0.5f);
    type("say " + f.limit);
  }
  return CycleFlow::Continue;
}

}  // namespace pvx
