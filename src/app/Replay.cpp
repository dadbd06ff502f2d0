#include "app/Replay.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>
#include <fstream>
#include <random>

#include "app/Program.h"
#include "app/ReplayScript.h"
#include "core/player/FakeMediaBackEnd.h"
#include "core/player/PlaylistFile.h"
#include "core/time/VirtualClock.h"

namespace pvx {

namespace {

// A folder of its own for one replay, removed when the replay ends.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      auto candidate = std::filesystem::temp_directory_path() /
                       ("parlevox-replay-" + std::to_string(rd()) + std::to_string(rd()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec))
        path_ = candidate;
    }
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty())
      std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes what the program does that a player would see.
class Recorder final : public PracticeConsole::Listener {
 public:
  Recorder(Clock& clock, std::ostream& out) : clock_(clock), out_(out) {}
  void line(const std::string& text) { out_ << clock_.nowMs() << '\t' << text << '\n'; }
  void lineEntered(std::string_view command) override { line(std::string(command)); }
  void gameWindowVisibilityChanged(bool visible) override {
    line(visible ? "[game] shown" : "[game] hidden");
  }
  void clearPressed() override { line("[console] cleared"); }

 private:
  Clock& clock_;
  std::ostream& out_;
};

// Message boxes are answered OK at once and recorded; nothing else is asked of a user.
class ReplayDialogs final : public DialogPort {
 public:
  explicit ReplayDialogs(Recorder& recorder) : recorder_(recorder) {}
  void criticalBox(const std::string& text, const std::string&) override {
    recorder_.line("[box] " + text);
  }
  std::string inputBox(const std::string&, const std::string&,
                       const std::string& defaultAnswer) override {
    return defaultAnswer;
  }
  std::optional<std::string> openFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }

 private:
  Recorder& recorder_;
};

class Replayer {
 public:
  Replayer(const ReplayScript& script, const std::filesystem::path& folder, std::ostream& out)
      : script_(script), recorder_(clock_, out), dialogs_(recorder_) {
    ProgramOptions options;
    options.practice = true;
    options.programFolder = folder;
    options.clock = &clock_;
    options.playerName = script.player;
    options.gameRunning = script.gameRunning;
    options.showPracticeWindow = false;
    options.dialogs = &dialogs_;
    options.media = &media_;
    addTracks(folder);
    program_ = std::make_unique<Program>(std::move(options));
    PracticeConsole& practice = *program_->practice();
    practice.game().setKeepColours(script.keepColours);
    practice.addListener(&recorder_);
    QObject::connect(
        &program_->mainWindow(), &MainWindow::statusLineChanged,
        [this](const QString& text) { recorder_.line("[status] " + text.toStdString()); });
    QObject::connect(&program_->playerWindow(), &PlayerWindow::volumeSliderChanged,
                     [this](int value) { recorder_.line("[volume] " + std::to_string(value)); });
  }
  ~Replayer() { program_->practice()->removeListener(&recorder_); }

  void run() {
    for (const ReplayStep& step : script_.scene)
      apply(step);
    // The volume the player window starts with; every later change is recorded as it happens.
    if (const auto* slider = program_->playerWindow().findChild<const QSlider*>("sldVol"))
      recorder_.line("[volume] " + std::to_string(slider->value()));
    program_->start();
    runFor(1000);
    for (const ReplayStep& step : script_.steps)
      apply(step);
    runFor(1000);
  }

 private:
  void runFor(std::int64_t ms) {
    clock_.runUntil(clock_.nowMs() + ms);
    QCoreApplication::processEvents();
  }

  // Runs until a watch cycle has started after this moment and ended, its waits included.
  void runOneCycle() {
    WatchCycle& watch = program_->watch();
    const std::uint64_t target = watch.cyclesStarted() + 1;
    while (watch.cyclesEnded() < target && clock_.runNext()) {
    }
    QCoreApplication::processEvents();
  }

  void apply(const ReplayStep& step) {
    PracticeConsole& practice = *program_->practice();
    switch (step.kind) {
      case ReplayStep::Kind::Batch:
        for (const std::string& l : step.lines)
          practice.game().print(l);
        runOneCycle();
        break;
      case ReplayStep::Kind::Say:
        practice.game().print(practice.game().chatLine(step.text));
        runOneCycle();
        break;
      case ReplayStep::Kind::After:
        runFor(step.ms);
        break;
      case ReplayStep::Kind::Game:
        if (step.on) {
          practice.start();
        } else {
          practice.stop();
        }
        break;
      case ReplayStep::Kind::Click:
        click(step.which);
        break;
      case ReplayStep::Kind::Message:
        setMessage(step);
        break;
      case ReplayStep::Kind::Duel:
        program_->mainWindow().editDuelText(step.which == "engage" ? DuelText::Engage
                                            : step.which == "won"  ? DuelText::Won
                                                                   : DuelText::Lost,
                                            step.text);
        break;
    }
  }

  void click(const std::string& which) {
    if (which == "next-track") {
      // The playing track reaches its end; the back end tells the player at the music timer's
      // next tick.
      media_.finishNewest();
      return;
    }
    const char* button = which == "back"       ? "cmdBack"
                         : which == "playlist" ? "cmdViewPlay"
                         : which == "play"     ? "cmdPlay"
                         : which == "stop"     ? "cmdStop"
                                               : "cmdPause";
    QWidget* window = which == "back" || which == "playlist"
                          ? static_cast<QWidget*>(&program_->mainWindow())
                          : static_cast<QWidget*>(&program_->playerWindow());
    if (auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button)))
      b->click();
  }

  // The transcript's tracks are the playlist the player window loads at its creation: a file
  // of the fake media back end each, written into the program folder's playlist file.
  void addTracks(const std::filesystem::path& folder) {
    if (script_.tracks.empty())
      return;
    std::vector<PlaylistEntry> entries;
    for (const ReplayTrack& track : script_.tracks) {
      const std::string path = "/replay/music/" + track.title;
      if (track.fails) {
        media_.addUnplayable(path);
      } else {
        media_.addTrack(path, track.seconds);
      }
      entries.push_back({track.title, path});
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder / "Saves", ignored);
    PlaylistFile(PlaylistFile::in(folder)).save(entries);
  }

  void setMessage(const ReplayStep& step) {
    const MessageKind kind = step.which == "greeting" ? MessageKind::Greeting
                             : step.which == "death"  ? MessageKind::SelfKill
                             : step.which == "enter"  ? MessageKind::OwnEntry
                                                      : MessageKind::Limit;
    program_->core().messages().setMessage(kind, Message{step.text, std::uint8_t(step.on ? 1 : 0)});
  }

  const ReplayScript& script_;
  VirtualClock clock_;
  FakeMediaBackEnd media_{clock_};
  Recorder recorder_;
  ReplayDialogs dialogs_;
  std::unique_ptr<Program> program_;
};

}  // namespace

std::optional<ReplayScript> readReplayScript(const std::filesystem::path& transcript,
                                             std::ostream& err) {
  std::ifstream in(transcript, std::ios::binary);
  if (!in) {
    err << "parlevox: cannot read " << transcript.string() << '\n';
    return std::nullopt;
  }
  std::string error;
  std::optional<ReplayScript> script = ReplayScript::parse(in, error);
  if (!script)
    err << "parlevox: " << transcript.string() << ": " << error << '\n';
  return script;
}

int runReplay(const ReplayScript& script, const std::optional<std::filesystem::path>& folder,
              std::ostream& out) {
  std::optional<TemporaryFolder> temporary;
  std::filesystem::path where;
  if (folder) {
    where = *folder;
  } else {
    temporary.emplace();
    where = temporary->path();
  }
  {
    Replayer replayer(script, where, out);
    replayer.run();
  }
  out.flush();
  return 0;
}

}  // namespace pvx
