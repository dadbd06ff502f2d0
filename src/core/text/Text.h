#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text inside the program is UTF-8. A "character" is one Unicode code point: every length,
// position and count below is in code points, never in bytes. The game and the files speak
// Windows-1252; conversion happens only where text crosses to them.
namespace pvx::text {

inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

// Windows-1252 bytes to UTF-8. Every byte maps to exactly one code point (the five bytes that
// have no Windows-1252 character map to the C1 control of the same value, as Windows does),
// so lengths agree on both sides of the conversion.
std::string fromCp1252(std::string_view bytes);

// UTF-8 to Windows-1252 bytes, one byte per code point. A code point with no Windows-1252 byte,
// and a malformed UTF-8 sequence, become '?'.
std::string toCp1252(std::string_view utf8);

bool isValidUtf8(std::string_view bytes);

// A line read from a file: UTF-8 when it is valid UTF-8, else Windows-1252 (a file written on
// Windows by an older version).
std::string fromFileLine(std::string_view bytes);

std::size_t length(std::string_view utf8);

// First n / last n characters (all of them when the text is shorter).
std::string left(std::string_view utf8, std::size_t n);
std::string right(std::string_view utf8, std::size_t n);

// The text without its last n characters (empty when it has n or fewer).
std::string dropRight(std::string_view utf8, std::size_t n);

// count characters from the character at index start (0-based); empty when start is past the
// end; up to the end when count is npos or reaches past it.
std::string substring(std::string_view utf8, std::size_t start, std::size_t count = npos);

// Index (0-based, in characters) of the first occurrence of needle at or after index from,
// compared without regard to the case of ASCII and Latin-1 letters; npos when absent.
// An empty needle is found at from (when from is within the text or at its end).
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

inline bool containsNoCase(std::string_view haystack, std::string_view needle) {
  return findNoCase(haystack, needle) != npos;
}

// Every occurrence of what (found without regard to case) replaced by with, left to right,
// never rescanning replaced text. An empty what changes nothing.
std::string replaceAllNoCase(std::string_view utf8, std::string_view what, std::string_view with);

// The number written in a line, without the blanks and tabs around it and without one leading
// "+" (the files and the chat write numbers so).
std::string_view numberText(std::string_view line);

// Console text made safe to put into a typed command: CR and LF become a blank, ";" and the
// double quote are removed, so the game can never split the line into a second command.
std::string makeInert(std::string_view utf8);

// The text without its colour escapes: every "^" followed by a digit from 0 to highest (the
// retail game's colours are 0-7; its open-source engine has ten).
std::string stripColours(std::string_view s, char highest = '7');

}  // namespace pvx::text
