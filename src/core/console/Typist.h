#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "core/console/WindowSystem.h"

namespace pvx {

// Where the program's typing into the game runs. Typing a command is a walk of the console
// window's children with a few messages to the game, and the game handles no message while it
// loads a map or renders a frame: beside a real game the walks run on a thread of their own, one
// after the other, so that the program's windows never wait for the game. Beside the practice
// game and in the tests each walk runs at once.
class Typist {
 public:
  // A walk, given the window system it types through.
  using Walk = std::function<void(WindowSystem&)>;
  // What a walk does: types a line that stays with the game, types chat, which goes to the server
  // (whose flood protection ignores a command that comes within a second of the player's
  // previous one), or presses a button of the console window, which types no line.
  enum class Kind { Local, Chat, Press };

  virtual ~Typist() = default;
  // Runs the walk once, after every walk handed over before it.
  virtual void type(Walk walk, Kind kind) = 0;
  // Whether every walk handed over has run to its end.
  virtual bool idle() = 0;
  // How many milliseconds ago the latest chat handed over reached the game; negative while one is
  // still on its way; nothing where each walk runs the moment it is handed over, or none did.
  virtual std::optional<std::int64_t> chatTypedAgoMs() { return std::nullopt; }
};

// Runs each walk at once, on the caller's thread, through the given window system.
class TypistInPlace final : public Typist {
 public:
  explicit TypistInPlace(WindowSystem& ws) : ws_(ws) {}
  void type(Walk walk, Kind) override { walk(ws_); }
  bool idle() override { return true; }

 private:
  WindowSystem& ws_;
};

}  // namespace pvx
