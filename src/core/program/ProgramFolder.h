#pragma once

#include <filesystem>
#include <optional>

namespace pvx {

// The XDG base directory rule for the user's data folder: $XDG_DATA_HOME when it is an absolute
// path, otherwise .local/share in the home folder when that is absolute; none otherwise. A
// relative or empty value counts as unset, as the rule says. Either argument may be null.
std::optional<std::filesystem::path> xdgDataHome(const char* xdgDataHome, const char* home);

// The program folder, where "Saves" (the message sets and the playlist file) lives. A program
// with a folder "Saves" beside it is portable and keeps using it (the unzipped Windows program,
// the build tree); so does one for which the system names no data folder (Windows). Otherwise
// the program is installed and keeps its files in "parlevox" inside the user's data folder,
// which is made here, parents and all, when missing. A folder that cannot be made is still the
// answer: saving there then fails with the system's reason, as anywhere else.
std::filesystem::path chooseProgramFolder(const std::filesystem::path& besideProgram,
                                          const std::optional<std::filesystem::path>& dataHome);

}  // namespace pvx
