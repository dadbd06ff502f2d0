#include "watcher/CommandChain.h"

#include "console/Text.h"
#include "messages/MessageSetFile.h"
#include "watcher/ConsoleLines.h"

namespace pvx {

std::optional<std::string> CommandChain::argument(const std::string& line, const std::string& key,
                                                  std::size_t offset, std::size_t from) {
  const std::size_t p = text::findNoCase(line, key, from);
  if (p == text::npos)
    return std::string();
  const std::string rest = text::substring(line, p + offset);
  if (text::length(rest) < 2)
    return std::nullopt;
  return text::dropRight(rest, 2);
}

void CommandChain::type(const std::string& command) {
  form_.context().q3.sendConsoleCommand(command);
}

std::optional<std::string> CommandChain::commandLine(const std::string& newText,
                                                     const char* literal) const {
  return consolelines::firstBeginningWith(newText, form_.currentPlayerName + literal);
}

CycleFlow CommandChain::run(const std::string& newText) {
  if (newText.empty())
    return CycleFlow::Continue;  // no chat line, no command
  std::optional<std::string> line;
  auto present = [&](const char* literal) {
    line = commandLine(newText, literal);
    return line.has_value();
  };
  if (present(": !load")) {
    load(*line);
    return CycleFlow::Continue;
  }
  if (present(": !stop"))
    return music_ ? music_->stop() : CycleFlow::Continue;
  if (present(": !next"))
    return music_ ? music_->next() : CycleFlow::Continue;
  if (present(": !prev"))
    return music_ ? music_->prev() : CycleFlow::Continue;
  if (present(": !mini")) {
    mini();
    return CycleFlow::Continue;
  }
  if (present(": !vol"))
    return music_ ? music_->vol(*line) : CycleFlow::Continue;
  if (present(": !pause"))
    return music_ ? music_->pause() : CycleFlow::Continue;
  if (present(": !listsongs"))
    return music_ ? music_->listSongs() : CycleFlow::Continue;
  if (present(": !play"))
    return music_ ? music_->play(*line) : CycleFlow::Continue;
  return CycleFlow::Continue;
}

void CommandChain::load(const std::string& line) {
  const std::optional<std::string> name =
      argument(line, ": !load", 8, text::length(form_.currentPlayerName));
  // A line cut short before its line break names no set: that is a failed load.
  const bool loaded = name && sets_.loadMessageSet(*name);
  const std::string shown = text::makeInert(name.value_or(""));
  form_.context().tarn.waitSeconds(0.9f);
  if (loaded) {
    type("say ^7" + shown + " ^1loaded successfully");
  } else {
    type("say ^1Error opening file ^7" + shown);
  }
}

void CommandChain::mini() {
  MainFormContext& c = form_.context();
  const std::string gameClass = text::toCp1252(kGameWindowClass);
  const Hwnd game = c.ws.findWindow(gameClass.c_str(), nullptr);
  c.window.setMaximized(true);
  c.ws.showWindow(game, WindowSystem::kSwHide);
  Hwnd taskbar = c.ws.findWindow(kTaskbarClass, "");
  c.ws.setWindowPos(taskbar, 0, 0, 0, 0, 0, kTaskbarHide);
  taskbar = c.ws.findWindow(kTaskbarClass, "");
  c.tarn.waitSeconds(0.6f);
  c.ws.setWindowPos(taskbar, 0, 0, 0, 0, 0, kTaskbarShow);
  c.window.setMaximized(false);
  c.window.takeFocus();
  c.tarn.waitSeconds(1.0f);
  type("say ^1Minimized");
}

}  // namespace pvx
