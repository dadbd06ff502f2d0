#pragma once

#include <filesystem>
#include <istream>
#include <string>
#include <vector>

#include "core/text/CodePage.h"

// The program's own text files (message sets, the playlist): lines ending in CR LF, each stored
// as the file encoding says (the system's ANSI code page on Windows where it holds the line, UTF-8
// otherwise) and read accepting both, so that a file made by the Windows program loads anywhere.
namespace pvx::textfile {

// Reads the next line, without its end, as UTF-8. A line ends at CR LF, at a CR alone or at a
// bare LF (a file edited by hand or on another system); the last may end at the end of the file.
// False when nothing is left.
bool readLine(std::istream& in, std::string& line, const FileEncoding& encoding = FileEncoding());

// Writes the lines, each followed by CR LF, into a new file beside the target, then puts it in
// the target's place, so that a failure never leaves a half-written target. Returns a
// description of the failure for the user, empty on success.
std::string writeWhole(const std::filesystem::path& target, const std::vector<std::string>& lines,
                       const FileEncoding& encoding = FileEncoding());

// A path as UTF-8 text (for messages and files), and back.
std::string pathText(const std::filesystem::path& path);
std::filesystem::path fromPathText(const std::string& utf8);

// The description of the last failure of the C library (errno), as the platform words it.
std::string systemReason();

}  // namespace pvx::textfile
