# Playlist, playback engine, media back ends, player window, folder picker.
list(APPEND PARLEVOX_CORE_SOURCES
  src/player/FakeMediaBackEnd.cpp
  src/player/FolderPicker.cpp
  src/player/PlaybackEngine.cpp
  src/player/Player.cpp
  src/player/PlayerNumbers.cpp
  src/player/Playlist.cpp
  src/player/PlaylistFile.cpp
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/player/FolderPickerWindow.cpp
  src/player/PlayerWindow.cpp
)
