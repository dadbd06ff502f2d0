#pragma once

#include <optional>
#include <string>

#include "core/console/ConsoleBridge.h"
#include "core/player/Player.h"
#include "core/watcher/CommandChain.h"

namespace pvx {

// The music commands of the chat: stop, next, previous, volume, pause, resume, a listing of the
// playlist into the game's console, and playing the first entry whose title holds a search text.
// Titles and search texts typed back into the game are made inert.
class MusicChatCommands final : public MusicCommands {
 public:
  MusicChatCommands(ConsoleBridge& bridge, Player& player) : bridge_(bridge), player_(player) {}

  Task<CycleFlow> stop() override;
  Task<CycleFlow> next() override;
  Task<CycleFlow> prev() override;
  Task<CycleFlow> vol(std::string command) override;
  Task<CycleFlow> pause() override;
  Task<CycleFlow> listSongs() override;
  Task<CycleFlow> play(std::string command) override;

  // The chat volume of "!vol": a decimal number (sign, digits, one decimal point, blanks around
  // it), rounded down; nothing when it is not such a number or does not fit 16 bits.
  static std::optional<std::int16_t> volumeNumber(const std::string& argument);

 private:
  // What plays after a start that gave title, the engine having started startsBefore tracks
  // before it.
  std::string playing(const std::string& title, std::uint64_t startsBefore) const;
  // Waits a second and says what plays.
  Task<CycleFlow> announce(std::string title, std::uint64_t startsBefore);

  ConsoleBridge& bridge_;
  Player& player_;
};

}  // namespace pvx
