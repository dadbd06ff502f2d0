#pragma once

#include <string>
#include <string_view>

namespace pvx::rig {

// Why a command typed into the game could do more than the program meant; empty when it cannot.
// A CR or LF would end the line early and run the rest as a command of its own; a ";" separates
// two commands; a double quote changes what the game's tokenizer takes as one argument.
//
// The only double quotes the program types on its own are the pair around a line of the playlist
// listing (echo ^1"…"). Everything else in a command is fixed text without either character,
// the user's own message texts (which the rigs keep free of ";" and quotes, so that any one that
// shows up came from elsewhere), or console text and titles, which must have been made inert.
std::string leakIn(std::string_view command);

}  // namespace pvx::rig
