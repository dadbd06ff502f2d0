#include "app/MainForm.h"

#include <system_error>

#include "console/Text.h"

namespace pvx {

MainForm::MainForm(MainFormContext context) : ctx_(std::move(context)) {
  timer1_ = ctx_.clock.makeTimer([this] {
    if (watchCycle_)
      watchCycle_();
  });
  tmrDelay_ = ctx_.clock.makeTimer([this] { tmrDelayTick(); });
  tmrDelay_->start(kDelayIntervalMs);
}

void MainForm::load() {
  MainWindowPort& window = ctx_.window;

  // 1. Centre on the screen.
  const TwipsRect centred =
      modTarn::centerForm(window.geometry(), window.screenWidth(), window.screenHeight());
  window.move(centred.left, centred.top);

  // 2-3. The editor and the player window (whose creation loads the playlist) come into
  // existence hidden and live on hidden.
  ctx_.editor.create();
  ctx_.editor.setVisible(false);
  ctx_.player.create();
  ctx_.player.setVisible(false);

  // 4-6. The player window as wide as the main window, its top edge on the main window's bottom.
  ctx_.player.setWidth(window.geometry().width);
  dockPlayerWindow();

  // 7.
  window.setVisible(true);

  // 8-10. The OS description in the status line.
  os = ctx_.osQuery ? std::make_unique<COpSysInfo>(ctx_.osQuery) : std::make_unique<COpSysInfo>();
  buildNumberText = std::to_string(os->BuildNumber());
  window.setStatusLine("[ " + os->Platform() + " - " + buildNumberText + " ]");

  // 11-12. Replies on; from here on the watch cycle runs.
  replyFlag = true;
  timer1_->start(kWatchIntervalMs, true);

  // 13-14. A first look for the console log, and the name query (dropped when the game is
  // not running).
  startupConsole = ctx_.q3.findWindowByTitle(window.consoleClassText(), window.consoleTitleText());
  if (consoleLog == 0) {
    consoleLog = ctx_.q3.nthChildWindow(startupConsole, 5);
    ctx_.q3.sendConsoleCommand("name");
  }

  // 15. "Saves" beside the program; a folder that exists already, or one that cannot be made,
  // is no reason to stop.
  std::error_code ignored;
  std::filesystem::create_directory(ctx_.programFolder / "Saves", ignored);
}

void MainForm::cmdBackClick() {
  const std::string gameClass = text::toCp1252(kGameWindowClass);
  const Hwnd game = ctx_.ws.findWindow(gameClass.c_str(), nullptr);
  if (game != 0)
    ctx_.ws.showWindow(game, WindowSystem::kSwShow);
  ctx_.q3.sendConsoleCommand("say ^1Maximized");
}

namespace {

class NoDialogs final : public DialogPort {
 public:
  void criticalBox(const std::string&, const std::string&) override {}
  std::string inputBox(const std::string&, const std::string&,
                       const std::string& defaultAnswer) override {
    return defaultAnswer;
  }
  std::optional<std::string> openFile(const std::string&) override { return std::nullopt; }
};

}  // namespace

DialogPort& MainForm::dialogs() {
  if (ctx_.dialogs != nullptr)
    return *ctx_.dialogs;
  if (!noDialogs_)
    noDialogs_ = std::make_unique<NoDialogs>();
  return *noDialogs_;
}

void MainForm::cmdViewPlayClick() {
  ctx_.player.setVisible(!ctx_.player.isVisible());
}

void MainForm::tmrDelayTick() {
  greetingGate = true;
}

void MainForm::dockPlayerWindow() {
  const TwipsRect main = ctx_.window.geometry();
  const TwipsRect player = ctx_.player.geometry();
  const float dockedTop = main.top + main.height;
  if (player.top != dockedTop || player.left != main.left)
    ctx_.player.move(main.left, dockedTop);
}

std::string MainForm::statusPresent() const {
  return "[ Current Player: " + currentPlayerName + "  OS: " + os->Platform() + " Build " +
         buildNumberText + " ]";
}

std::string MainForm::statusAbsent() const {
  return "[ Current Player: <JKA is not running>  OS: " + os->Platform() + " Build " +
         buildNumberText + " ]";
}

}  // namespace pvx
