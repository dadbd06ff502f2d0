#include "core/player/Playlist.h"

#include "core/text/TextFile.h"

#include <algorithm>
#include <system_error>

namespace pvx {

namespace fs = std::filesystem;

namespace {

bool hasAudioExtension(const std::string& name) {
  // Exactly as written: a name whose extension is in capitals is not taken.
  if (name.size() < 4)
    return false;
  const std::string extension = name.substr(name.size() - 4);
  return extension == ".wav" || extension == ".mp3" || extension == ".wma";
}

char foldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Name order ignoring case, as the platform's file list shows a folder; names equal but for
// case keep a fixed order.
bool nameOrder(const std::string& a, const std::string& b) {
  const auto folded = [](char x, char y) { return foldAscii(x) < foldAscii(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded))
    return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded))
    return false;
  return a < b;
}

bool endsWithSeparator(const std::string& folder) {
  if (folder.empty())
    return false;
  const char last = folder.back();
#ifdef _WIN32
  return last == '\\' || last == '/';
#else
  return last == '/';
#endif
}

}  // namespace

bool Playlist::dotFile(const fs::path& file) {
  const std::string name = file.filename().string();
  return !name.empty() && name[0] == '.';
}

Playlist::Playlist(PlayerPort& port, fs::path playlistFile, HiddenFileTest isHidden)
    : port_(port), file_(std::move(playlistFile)), isHidden_(std::move(isHidden)) {}

std::string Playlist::title(int i) const {
  return (i >= 0 && i < count()) ? titles_[static_cast<std::size_t>(i)] : std::string();
}

std::string Playlist::path(int i) const {
  return (i >= 0 && static_cast<std::size_t>(i) < songPaths_.size())
             ? songPaths_[static_cast<std::size_t>(i)]
             : std::string();
}

void Playlist::select(int index) {
  const auto next = static_cast<std::int16_t>((index >= 0 && index < count()) ? index : -1);
  if (next == selection_)
    return;
  selection_ = next;
  port_.selectionChanged();
}

bool Playlist::append(const std::string& title, const std::string& path) {
  if (songCount_ >= kMaxEntries || count() >= kMaxEntries)
    return false;
  titles_.push_back(title);
  // The new path goes after the slots counted so far: after Clear that is the empty slot 0.
  songPaths_.resize(static_cast<std::size_t>(songCount_) + 1);
  ++songCount_;
  songPaths_.back() = path;
  return true;
}

bool Playlist::addFile() {
  const std::optional<ChosenFile> chosen = port_.chooseFile(kOpenFileFilter);
  if (!chosen || chosen->path.empty())
    return false;
  if (!append(chosen->title, chosen->path)) {
    port_.showFailure("Overflow: the playlist holds at most " + std::to_string(kMaxEntries) +
                      " entries; \"" + chosen->title + "\" was not added.");
    return false;
  }
  port_.titlesChanged();
  return true;
}

void Playlist::addFolder() {
  // The folder may have vanished since the picker showed it: then there is nothing to add.
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(textfile::fromPathText(songDir), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && !isHidden_(it->path()))
      names.push_back(textfile::pathText(it->path().filename()));
  }
  std::sort(names.begin(), names.end(), nameOrder);

  const std::string folder = endsWithSeparator(songDir)
                                 ? songDir
                                 : songDir + static_cast<char>(fs::path::preferred_separator);
  bool added = false;
  for (const std::string& name : names) {
    if (!hasAudioExtension(name))
      continue;
    if (!append(name, folder + name))
      break;
    added = true;
  }
  if (added)
    port_.titlesChanged();
}

void Playlist::clear() {
  titles_.clear();
  selection_ = -1;
  songCount_ = 0;
  songPaths_.assign(1, std::string());
  port_.titlesChanged();
  port_.selectionChanged();
}

void Playlist::remove() {
  const int k = selection_;
  if (k < 0 || k >= count())
    return;
  titles_.erase(titles_.begin() + k);
  if (static_cast<std::size_t>(k) < songPaths_.size())
    songPaths_.erase(songPaths_.begin() + k);
  else if (!songPaths_.empty())
    songPaths_.pop_back();
  // Removing the only entry leaves the empty slot that Clear leaves.
  if (songPaths_.empty())
    songPaths_.assign(1, std::string());
  if (songCount_ > 0)
    --songCount_;
  selection_ = static_cast<std::int16_t>(k < count() ? k : -1);
  port_.titlesChanged();
  port_.selectionChanged();
}

void Playlist::loadPlaylist() {
  titles_.clear();
  selection_ = -1;
  const PlaylistFileContent content = file_.load();
  if (content.announced) {
    songCount_ = *content.announced;
    songPaths_.assign(static_cast<std::size_t>(*content.announced), std::string());
    std::copy(content.paths.begin(), content.paths.end(), songPaths_.begin());
  }
  titles_ = content.titles;
  port_.titlesChanged();
  port_.selectionChanged();
  if (!content.failure.empty())
    port_.showFailure(content.failure);
}

void Playlist::save() {
  const std::string failure = file_.save(songPaths_, titles_);
  if (!failure.empty())
    port_.showFailure(failure);
}

}  // namespace pvx
