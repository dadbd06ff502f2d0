#include "core/program/Core.h"

#include "core/player/PlaylistFile.h"

namespace pvx {

Core::Core(CorePorts ports, CoreStandIns standIns)
    : bridge_(ports.windows, ports.clock, ports.typist,
              ports.gameCodePage != nullptr ? *ports.gameCodePage : windows1252()),
      os_(ports.osQuery),
      status_(ports.mainWindow, os_),
      dock_(ports.mainWindow, ports.playerWindow),
      gameWindow_(bridge_),
      player_(ports.media, ports.clock, bridge_, ports.playerView,
              PlaylistFile::in(ports.programFolder), std::move(ports.isHiddenFile), ports.files),
      mediaControls_(player_),
      music_(bridge_, player_),
      messageSets_(messages_, ports.dialogs, ports.programFolder, ports.files),
      messageEditor_(messages_, ports.editorWindow, ports.mainWindow, bridge_.codePage()),
      replies_(bridge_, ports.clock, messages_, status_),
      commands_(bridge_, ports.mainWindow, gameWindow_, messageSets_,
                standIns.music != nullptr ? *standIns.music : music_),
      watch_(bridge_, ports.clock, ports.mainWindow, dock_, status_,
             standIns.events != nullptr ? *standIns.events : replies_,
             standIns.commands != nullptr ? *standIns.commands : commands_),
      folderPicker_(player_, ports.playerWindow, ports.mainWindow,
                    std::move(ports.folderPickerWindow)),
      startUp_(ports.mainWindow, ports.editorWindow, ports.playerWindow, dock_, status_, replies_,
               watch_, ports.programFolder) {
  // The main window shows the duel templates the replies will use, whoever changed them.
  MainWindowPort& mainWindow = ports.mainWindow;
  messages_.setDuelListener([&mainWindow](DuelText which, const std::string& text) {
    mainWindow.setDuelText(which, text);
  });
}

}  // namespace pvx
