#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/COpSysInfo.h"
#include "app/WindowPorts.h"
#include "console/Clock.h"
#include "console/WindowSystem.h"
#include "console/modQ3.h"
#include "console/modTarn.h"

namespace pvx {

// Everything the main window frmMain needs from outside, chosen once by the program's wiring
// (or by a test).
struct MainFormContext {
  WindowSystem& ws;
  Clock& clock;
  modQ3& q3;
  modTarn& tarn;
  MainWindowPort& window;
  FormPort& editor;  // the message editor mnuCustomize
  FormPort& player;  // the player window frmPlay
  // The program's folder, where "Saves" lives: the executable's folder, or a test's folder.
  std::filesystem::path programFolder;
  // Where the OS description gets its version record; empty means the platform's own query.
  std::function<bool(OsVersionRecord&)> osQuery;
  // The standard dialogs; without them a box shows nothing, an input box answers its default
  // and a file dialog is cancelled.
  DialogPort* dialogs = nullptr;
};

// The main window's behaviour and the state it owns, free of any window toolkit: the load step,
// "Back to Game", "Playlist", the greeting-gate timer, and the state the console watcher and the
// message set share. The Qt window frmMain shows it and forwards its clicks here.
class MainForm {
 public:
  static constexpr const char* kGameWindowClass = "Jedi Knight®: Jedi Academy (MP)";
  static constexpr std::int64_t kDelayIntervalMs = 15000;
  static constexpr std::int64_t kWatchIntervalMs = 1;

  // Creating the main window starts its greeting-gate timer.
  explicit MainForm(MainFormContext context);
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  // The load step: brings the program up in its fixed order.
  void load();
  // "Back to Game": shows the game's main window again and says so in the game.
  void cmdBackClick();
  // "Playlist": shows or hides the player window.
  void cmdViewPlayClick();
  // Every 15 s: greeting another player is allowed again.
  void tmrDelayTick();
  // Keeps the player window directly below the main window, shown or hidden.
  void dockPlayerWindow();
  // The status line in its console-present and console-absent forms.
  std::string statusPresent() const;
  std::string statusAbsent() const;

  // The watch timer. It is a single-shot timer: each watch cycle re-arms it when it ends, so
  // two cycles never overlap.
  Timer& timer1() { return *timer1_; }
  // What a tick of the watch timer runs (the watch cycle).
  void setWatchCycle(std::function<void()> cycle) { watchCycle_ = std::move(cycle); }

  MainFormContext& context() { return ctx_; }
  DialogPort& dialogs();

  // --- State owned by the main window, shared with the console watcher and the message set ---
  std::unique_ptr<COpSysInfo> os;
  std::string buildNumberText;
  Hwnd startupConsole = 0;

  // The message set: a message is typed only when its flag is exactly 1.
  std::string Greet, Death, Enter, limit;
  std::uint8_t GreetEn = 0, DeathEn = 0, EnterEn = 0, Limiten = 0;

  // The console watcher's state, kept from cycle to cycle.
  Hwnd consoleLog = 0;
  long previousLogLength = 0;
  long logLength = 0;
  std::string currentPlayerName;
  bool replyFlag = false;
  bool greetingGate = false;
  bool duelFlag = false;
  std::string opponentName;

 private:
  MainFormContext ctx_;
  std::unique_ptr<Timer> timer1_;
  std::unique_ptr<Timer> tmrDelay_;
  std::function<void()> watchCycle_;
  std::unique_ptr<DialogPort> noDialogs_;
};

}  // namespace pvx
