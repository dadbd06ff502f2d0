#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace pvx {

// A transcript for the headless replay: the scene before start-up, then what happens in order.
//
//   # comment
//   @player NAME            scene: the local player's name (default "Padawan")
//   @game off               scene: the game is not running at start
//   @colours keep           scene: the game's output keeps its colour escapes
//   @track NAME SECONDS     scene: a playlist entry whose track lasts SECONDS
//   @track NAME fail        scene: a playlist entry that cannot be played
//   @message greeting|death|enter|limit on|off TEXT
//   @duel engage|won|lost TEXT
//   text                    a line the game prints; consecutive lines form one batch
//   (blank line)            ends a batch
//   @after S                S seconds of program time pass
//   @game on|off            the game starts or stops
//   @say TEXT               the local player says TEXT
//   @click BUTTON           a click on "Back to Game" (back), "Playlist" (playlist) or the
//                           player's Play, Stop, Pause (play, stop, pause); next-track stands
//                           for the playing track ending on its own
//
// Scene directives stand before the first text line and before any @after; @message and @duel
// may also come later, as edits the user makes at that moment.
//
// The replay prints one line per observable event: the program time in milliseconds, a tab, then
//   a command typed into the game's console, as the game received it, or
//   [status] TEXT           the status line changed to TEXT
//   [box] TEXT              a message box showed TEXT (answered OK at once)
//   [game] shown|hidden     the game's main window was shown or hidden
//   [console] cleared       the console window's Clear button was pressed (its log emptied)
//   [volume] N              the player's volume slider shows N (0 loudest, 20 quietest), once at
//                           start-up and again whenever it changes
struct ReplayStep {
  enum class Kind { Batch, After, Game, Say, Click, Message, Duel };
  Kind kind = Kind::Batch;
  int line = 0;                    // where it stands in the transcript (1 = first line)
  std::vector<std::string> lines;  // Batch: the lines the game prints (UTF-8)
  std::int64_t ms = 0;             // After
  bool on = false;                 // Game, Message
  std::string which;               // Click: the button; Message, Duel: which one
  std::string text;                // Say, Message, Duel
};

struct ReplayTrack {
  std::string title;
  double seconds = 0;
  bool fails = false;
};

struct ReplayScript {
  std::string player = "Padawan";
  bool gameRunning = true;
  bool keepColours = false;
  std::vector<ReplayTrack> tracks;
  std::vector<ReplayStep> scene;  // @message and @duel before start-up
  std::vector<ReplayStep> steps;

  // Reads a transcript. On a malformed or unknown directive it returns nothing and says why in
  // error ("line N: ...").
  static std::optional<ReplayScript> parse(std::istream& in, std::string& error);
};

}  // namespace pvx
