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

Playlist::Playlist(PlayerPort& port, fs::path playlistFile, HiddenFileTest isHidden,
                   FileEncoding encoding)
    : port_(port), file_(std::move(playlistFile), encoding), isHidden_(std::move(isHidden)) {}

std::vector<std::string> Playlist::titles() const {
  std::vector<std::string> titles;
  titles.reserve(entries_.size());
  for (const PlaylistEntry& entry : entries_)
    titles.push_back(entry.title);
  return titles;
}

std::string Playlist::title(int i) const {
  return (i >= 0 && i < count()) ? entries_[static_cast<std::size_t>(i)].title : std::string();
}

std::string Playlist::path(int i) const {
  if (i < 0)
    return {};
  const auto slot = static_cast<std::size_t>(i);
  if (slot < entries_.size())
    return entries_[slot].path;
  return slot - entries_.size() < reserved_.size() ? reserved_[slot - entries_.size()]
                                                   : std::string();
}

std::vector<std::string> Playlist::paths() const {
  std::vector<std::string> paths;
  paths.reserve(entries_.size() + reserved_.size());
  for (const PlaylistEntry& entry : entries_)
    paths.push_back(entry.path);
  paths.insert(paths.end(), reserved_.begin(), reserved_.end());
  return paths;
}

void Playlist::select(int index) {
  const auto next = static_cast<std::int16_t>((index >= 0 && index < count()) ? index : -1);
  if (next == selection_)
    return;
  selection_ = next;
  port_.selectionChanged();
}

bool Playlist::append(std::string title, std::string path) {
  if (reserved_.empty() && entries_.size() >= static_cast<std::size_t>(kMaxEntries))
    return false;
  if (!reserved_.empty())
    reserved_.erase(reserved_.begin());
  entries_.push_back({std::move(title), std::move(path)});
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

void Playlist::addFolder(const std::string& folder) {
  // The folder may have vanished since the picker showed it: then there is nothing to add.
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(textfile::fromPathText(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && !isHidden_(it->path()))
      names.push_back(textfile::pathText(it->path().filename()));
  }
  std::sort(names.begin(), names.end(), nameOrder);

  const std::string prefix = endsWithSeparator(folder)
                                 ? folder
                                 : folder + static_cast<char>(fs::path::preferred_separator);
  bool added = false;
  for (const std::string& name : names) {
    if (!hasAudioExtension(name))
      continue;
    if (!append(name, prefix + name))
      break;
    added = true;
  }
  if (added)
    port_.titlesChanged();
}

void Playlist::clear() {
  entries_.clear();
  selection_ = -1;
  reserved_.assign(1, std::string());
  port_.titlesChanged();
  port_.selectionChanged();
}

void Playlist::remove() {
  const int k = selection_;
  if (k < 0 || k >= count())
    return;
  entries_.erase(entries_.begin() + k);
  // Removing the only entry leaves the empty slot that Clear leaves.
  if (entries_.empty() && reserved_.empty())
    reserved_.assign(1, std::string());
  selection_ = static_cast<std::int16_t>(k < count() ? k : -1);
  port_.titlesChanged();
  port_.selectionChanged();
}

void Playlist::loadPlaylist() {
  entries_.clear();
  reserved_.clear();
  selection_ = -1;
  PlaylistFileContent content = file_.load();
  const std::size_t read = content.titles.size();
  entries_.reserve(read);
  for (std::size_t i = 0; i < read; ++i)
    entries_.push_back({std::move(content.titles[i]), std::move(content.paths[i])});
  if (content.announced) {
    // The announced entries the file did not hold keep their slots.
    const auto announced = static_cast<std::size_t>(*content.announced);
    reserved_.assign(announced > read ? announced - read : 0, std::string());
    if (content.paths.size() > read && !reserved_.empty())
      reserved_.front() = std::move(content.paths[read]);
  }
  port_.titlesChanged();
  port_.selectionChanged();
  if (!content.failure.empty())
    port_.showFailure(content.failure);
}

void Playlist::save() {
  const std::string failure = file_.save(entries_, reserved_);
  if (!failure.empty())
    port_.showFailure(failure);
}

}  // namespace pvx
