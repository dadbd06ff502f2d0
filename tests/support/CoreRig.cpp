#include "support/CoreRig.h"

#include <cstdio>
#include <cstdlib>

#include "core/text/Text.h"

namespace pvx::testing {

bool windows2000(OsVersionRecord& r) {
  r.platformId = 2;
  r.majorVersion = 5;
  r.minorVersion = 0;
  r.buildNumber = 2195;
  return true;
}

CoreRig::CoreRig(Platform platform, Options options)
    : media(platform.clock),
      programFolder_(folderFor(options.programFolder)),
      platform_(std::move(platform)),
      standIns_(options.standIns) {
  remakeCore(options.programFolder);
}

std::filesystem::path CoreRig::folderFor(const std::filesystem::path& given) {
  return given.empty() ? ownFolder_.emplace().path : given;
}

void CoreRig::remakeCore(const std::filesystem::path& folder) {
  core_.reset();
  core_.emplace(CorePorts{.windows = platform_.windows,
                          .typist = platform_.typist,
                          .clock = platform_.clock,
                          .media = media,
                          .mainWindow = window,
                          .editorWindow = editor,
                          .playerWindow = playerWindow,
                          .playerView = playerWindow,
                          .dialogs = dialogs,
                          .programFolder = folder.empty() ? programFolder_ : folder,
                          .osQuery = platform_.osQuery,
                          .isHiddenFile = platform_.isHiddenFile},
                standIns_);
}

bool CoreRig::runOneCycle() {
  const std::uint64_t target = watch().cyclesStarted() + 1;
  const std::int64_t giveUp = platform_.clock.nowMs() + 60000;
  while (watch().cyclesEnded() < target) {
    if (platform_.clock.nowMs() > giveUp || !platform_.clock.runNext())
      return false;
  }
  return true;
}

bool CoreRig::cycleUntil(const std::function<bool()>& done) {
  for (int i = 0; i < kMostCycles && !done(); ++i)
    runOneCycle();
  return done();
}

bool CoreRig::startKnowingName(const std::string& name) {
  core_->start();
  return cycleUntil([this] { return !playerName().empty(); }) && playerName() == name;
}

void CoreRig::setAllMessages(const std::string& text) {
  for (const MessageKind kind :
       {MessageKind::Greeting, MessageKind::SelfKill, MessageKind::OwnEntry, MessageKind::Limit})
    core_->messages().setMessage(kind, Message{text, 1});
  for (const DuelText d : {DuelText::Engage, DuelText::Won, DuelText::Lost})
    core_->messages().setDuel(d, text);
}

std::string CoreRig::nextPath(const std::string& title) {
  return "/music/" + std::to_string(player().count()) + "/" + title;
}

void CoreRig::add(const std::string& title, const std::string& path) {
  playerWindow.answers.push_back(ChosenFile{path, title});
  player().addFile();
}

void CoreRig::addTrack(const std::string& title, double seconds) {
  const std::string path = nextPath(title);
  media.addTrack(path, seconds);
  add(title, path);
}

void CoreRig::addUnplayable(const std::string& title) {
  const std::string path = nextPath(title);
  media.addUnplayable(path);
  add(title, path);
}

void CoreRig::addMissing(const std::string& title) {
  add(title, nextPath(title));
}

PracticeRig::PracticeRig(Options options, Typist* typist)
    : CoreRig(Platform{.windows = ws, .clock = clock, .typist = typist}, std::move(options)) {
  practice.addListener(this);
  practice.start();
}

PracticeRig::~PracticeRig() {
  // The practice console outlives this listener's part of the rig.
  practice.removeListener(this);
}

std::int64_t PracticeRig::happen(const std::vector<std::string>& lines) {
  const std::int64_t t0 = clock.nowMs() + 1;
  for (const std::string& line : lines)
    game.print(line);
  runOneCycle();
  return t0;
}

CoreRig::Lines PracticeRig::typedSince(std::int64_t t0) const {
  Lines out;
  for (const Typed& t : typed) {
    if (t.ms >= t0)
      out.emplace_back(t.ms - t0, t.command);
  }
  return out;
}

std::vector<std::string> PracticeRig::commands() const {
  std::vector<std::string> out;
  out.reserve(typed.size());
  for (const Typed& t : typed)
    out.push_back(t.command);
  return out;
}

void PracticeRig::lineEntered(std::string_view line) {
  typed.push_back(Typed{clock.nowMs(), std::string(line)});
  // The game copies the line into a field of 256 bytes that the player's key bindings follow: a
  // longer line corrupts its memory, and whatever typed it ends here, as the game would.
  const std::size_t bytes = text::toCp1252(line).size();
  if (bytes >= PracticeGame::kFieldBytes) {
    std::fprintf(stderr, "a typed line of %zu bytes corrupted the game's memory: %s\n", bytes,
                 std::string(line).c_str());
    std::abort();
  }
}

}  // namespace pvx::testing
