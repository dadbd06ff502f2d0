#include "ProgramRig.h"

#include "core/player/PlaylistFile.h"

namespace pvx::rig {

namespace {

// A fixed Windows 2000 so that nothing depends on the machine running the rig.
bool windows2000(OsVersionRecord& r) {
  r.platformId = 2;
  r.majorVersion = 5;
  r.buildNumber = 2195;
  return true;
}

}  // namespace

ProgramRig::ProgramRig(const std::filesystem::path& programFolder)
    : core(CorePorts{.windows = ws,
                     .clock = clock,
                     .media = media,
                     .mainWindow = window,
                     .editorWindow = editor,
                     .playerWindow = playerWindow,
                     .playerView = playerWindow,
                     .dialogs = dialogs,
                     .programFolder = programFolder,
                     .osQuery = windows2000,
                     .eventsStandIn = &checkedEvents_,
                     .commandsStandIn = &checkedCommands_}),
      player(core.player()),
      sets(core.messageSets()),
      watch(core.watch()),
      replies(core.replies()),
      chain(core.commands()) {
  realEvents_ = &replies;
  realCommands_ = &chain;
  practice.addListener(this);
  practice.start();
}

ProgramRig::~ProgramRig() {
  // The practice console outlives this listener's part of the rig.
  practice.removeListener(this);
}

bool ProgramRig::startKnowingName() {
  core.start();
  for (int i = 0; i < 10 && watch.state().playerName.empty(); ++i)
    runOneCycle();
  return watch.state().playerName == game.playerName();
}

bool ProgramRig::runOneCycle() {
  const std::uint64_t target = watch.cyclesStarted() + 1;
  const std::int64_t giveUp = clock.nowMs() + 60000;
  while (watch.cyclesEnded() < target) {
    if (clock.nowMs() > giveUp || !clock.runNext())
      return false;
  }
  return true;
}

void ProgramRig::setAllMessages(const std::string& text) {
  for (const MessageKind kind :
       {MessageKind::Greeting, MessageKind::SelfKill, MessageKind::OwnEntry, MessageKind::Limit})
    core.messages().setMessage(kind, Message{text, 1});
  for (const DuelText d : {DuelText::Engage, DuelText::Won, DuelText::Lost})
    core.messages().setDuel(d, text);
}

std::string ProgramRig::nextPath(const std::string& title) {
  return "/music/" + std::to_string(player.list().count()) + "/" + title;
}

void ProgramRig::add(const std::string& title, const std::string& path) {
  playerPort.answers.push_back(ChosenFile{path, title});
  player.addFile();
}

void ProgramRig::addTrack(const std::string& title, double seconds) {
  const std::string path = nextPath(title);
  media.addTrack(path, seconds);
  add(title, path);
}

void ProgramRig::addUnplayable(const std::string& title) {
  const std::string path = nextPath(title);
  media.addUnplayable(path);
  add(title, path);
}

void ProgramRig::addMissing(const std::string& title) {
  add(title, nextPath(title));
}

void ProgramRig::lineEntered(std::string_view line) {
  typed.emplace_back(line);
}

}  // namespace pvx::rig
