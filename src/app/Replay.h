#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/ReplayScript.h"

namespace pvx {

// The headless replay: runs the whole program, its real windows offscreen, against the practice
// game on virtual time, as a transcript directs, and writes one line per observable event:
//   <ms>\t<command>          a command typed into the console input line
//   <ms>\t[status] <text>    the status line changed
//   <ms>\t[box] <text>       a message box was shown (answered OK at once)
//   <ms>\t[game] shown|hidden  the game's main window was shown or hidden
// <ms> is program time since the main window was created.
// folder: where "Saves" lives; without it a new empty temporary folder, removed at the end.
// Needs the application object; returns the exit status.
int runReplay(const ReplayScript& script, const std::optional<std::filesystem::path>& folder,
              std::ostream& out);

// Reads a transcript; on failure says why in one line on err (naming the line) and returns
// nothing. Needs no application object, so nothing has run when a transcript is refused.
std::optional<ReplayScript> readReplayScript(const std::filesystem::path& transcript,
                                             std::ostream& err);

}  // namespace pvx
