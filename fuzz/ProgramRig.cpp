#include "ProgramRig.h"

#include "player/PlaylistFile.h"

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
    : form(MainFormContext{ws, clock, q3, tarn, window, editor, playerForm, programFolder,
                           windows2000, &dialogs}),
      player(media, clock, q3, playerPort, PlaylistFile::in(programFolder)) {
  practice.addListener(this);
  practice.start();
  form.setWatchCycle([this] { watch.cycle(); });
  watch.gameEvents = [this](const std::string& t) { return replies.run(t); };
  watch.chatCommands = [this](const std::string& t) { return chain.run(t); };
  chain.setMusic(&music);
}

ProgramRig::~ProgramRig() {
  // The practice console outlives this listener's part of the rig.
  practice.removeListener(this);
}

bool ProgramRig::startKnowingName() {
  form.load();
  for (int i = 0; i < 10 && form.currentPlayerName.empty(); ++i)
    runOneCycle();
  return form.currentPlayerName == game.playerName();
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
  form.Greet = form.Death = form.Enter = form.limit = text;
  form.GreetEn = form.DeathEn = form.EnterEn = form.Limiten = 1;
  for (DuelText d : {DuelText::Engage, DuelText::Won, DuelText::Lost})
    window.setDuelText(d, text);
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
