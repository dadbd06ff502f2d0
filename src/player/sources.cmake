# Playlist, playback engine, media back ends, player window, folder picker.
list(APPEND PARLEVOX_CORE_SOURCES
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/player/frmPlay.cpp
)
