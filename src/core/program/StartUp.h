#pragma once

#include <filesystem>

#include "core/watcher/GameEventReplies.h"
#include "core/watcher/WatchCycle.h"
#include "core/windows/PlayerDock.h"
#include "core/windows/StatusLine.h"
#include "core/windows/WindowPorts.h"

namespace pvx {

// The program's start, in its fixed order: the main window centred on the screen, the message
// editor and the player window made hidden (the player window's making loads the playlist), the
// player window docked below the main window (the pair kept on the screen's available area), the
// main window shown, the OS description in the status line, replies on, the watch cycle running,
// a first look for the console log and the name query, and the folder "Saves" beside the program.
class StartUp {
 public:
  StartUp(MainWindowPort& mainWindow, FormPort& editorWindow, FormPort& playerWindow,
          PlayerDock& dock, StatusLine& status, GameEventReplies& replies, WatchCycle& watch,
          std::filesystem::path programFolder)
      : main_(mainWindow),
        editor_(editorWindow),
        player_(playerWindow),
        dock_(dock),
        status_(status),
        replies_(replies),
        watch_(watch),
        programFolder_(std::move(programFolder)) {}

  void run();

 private:
  MainWindowPort& main_;
  FormPort& editor_;
  FormPort& player_;
  PlayerDock& dock_;
  StatusLine& status_;
  GameEventReplies& replies_;
  WatchCycle& watch_;
  std::filesystem::path programFolder_;
};

}  // namespace pvx
