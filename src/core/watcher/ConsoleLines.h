#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The console log is made of lines: a line starts at the start of a text or right after a line
// feed and ends with its line break (or at the end of the text). Reading by lines keeps what one
// player wrote apart from what the next line holds, so another player's chat line never counts
// as the local player's and a name never runs on into the next line.
namespace pvx::consolelines {

// How the game's answer to a name query begins.
inline constexpr std::string_view kNameAnswer = "\"name\" is:";

// The lines of a text, each with its line break; nothing for an empty text.
std::vector<std::string_view> split(std::string_view text);

// Whether line begins with prefix, compared without regard to letter case.
bool beginsWithNoCase(std::string_view line, std::string_view prefix);

// The first line of text that begins with prefix (letter case ignored).
std::optional<std::string> firstBeginningWith(std::string_view text, std::string_view prefix);

// The first line of text that holds needle (letter case ignored).
std::optional<std::string> firstHolding(std::string_view text, std::string_view needle);

// The text without the program's own words: the console's echo of a typed command (a line that
// begins with "]"), the game's answer to its name query (the player's name may hold any words),
// while the name is known the local player's own chat lines (name + ": "), and a chat line that
// ends with what the program said lately (said: the texts of its "say" commands) under whatever
// name the game gave the player meanwhile. Colour escapes do not count in the comparison.
std::string withoutOwnWords(std::string_view text, std::string_view playerName,
                            const std::deque<std::string>& said = {});

// Whether text holds a line of the local player's own doing that went to the server, whose
// flood protection it counts against: his chat (but for what the program said, said), his kill,
// a duel he became engaged in (whoever challenged), his rename, his entry, his team change.
bool holdsPlayersOwnDeed(std::string_view text, std::string_view playerName,
                         const std::deque<std::string>& said);

}  // namespace pvx::consolelines
