#include "core/watcher/CommandChain.h"

#include "core/messages/MessageSetFile.h"
#include "core/text/Text.h"
#include "core/watcher/ConsoleLines.h"

namespace pvx {

std::optional<std::string> CommandChain::argument(const std::string& command,
                                                  const std::string& key, std::size_t offset) {
  const std::size_t p = text::findNoCase(command, key);
  if (p == text::npos)
    return std::string();
  const std::string rest = text::substring(command, p + offset);
  if (text::length(rest) < 2)
    return std::nullopt;
  return text::dropRight(rest, 2);
}

std::optional<std::string> CommandChain::commandText(const std::string& newText,
                                                     const std::string& playerName,
                                                     const char* literal) {
  const std::optional<std::string> line =
      consolelines::firstBeginningWith(newText, playerName + literal);
  if (!line)
    return std::nullopt;
  return text::substring(*line, text::length(playerName));
}

Task<CycleFlow> CommandChain::run(std::string newText, std::string& playerName) {
  if (newText.empty())
    co_return CycleFlow::Continue;  // no chat line, no command
  std::optional<std::string> command;
  auto present = [&](const char* literal) {
    command = commandText(newText, playerName, literal);
    return command.has_value();
  };
  if (present(": !load")) {
    co_await load(*command);
    co_return CycleFlow::Continue;
  }
  if (present(": !stop"))
    co_return co_await music_.stop();
  if (present(": !next"))
    co_return co_await music_.next();
  if (present(": !prev"))
    co_return co_await music_.prev();
  if (present(": !mini")) {
    co_await mini();
    co_return CycleFlow::Continue;
  }
  if (present(": !vol"))
    co_return co_await music_.vol(*command);
  if (present(": !pause"))
    co_return co_await music_.pause();
  if (present(": !listsongs"))
    co_return co_await music_.listSongs();
  if (present(": !play"))
    co_return co_await music_.play(*command);
  co_return CycleFlow::Continue;
}

Task<void> CommandChain::load(std::string command) {
  const std::optional<std::string> name = argument(command, ": !load", 8);
  // A line cut short before its line break names no set: that is a failed load.
  const bool loaded = name && sets_.loadMessageSet(*name);
  const std::string shown = text::makeInert(name.value_or(""));
  co_await bridge_.waitSeconds(0.9f);
  if (loaded) {
    co_await bridge_.type("say ^7" + shown + " ^1loaded successfully");
  } else {
    co_await bridge_.type("say ^1Error opening file ^7" + shown);
  }
}

Task<void> CommandChain::mini() {
  const Hwnd game = gameWindow_.find();
  window_.setMaximized(true);
  gameWindow_.hide(game);
  Hwnd taskbar = bridge_.findWindowByTitle(kTaskbarClass, "");
  bridge_.setWindowPos(taskbar, kTaskbarHide);
  taskbar = bridge_.findWindowByTitle(kTaskbarClass, "");
  co_await bridge_.waitSeconds(0.6f);
  bridge_.setWindowPos(taskbar, kTaskbarShow);
  window_.setMaximized(false);
  window_.takeFocus();
  co_await bridge_.waitSeconds(1.0f);
  co_await bridge_.type("say ^1Minimized");
}

}  // namespace pvx
