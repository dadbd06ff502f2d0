list(APPEND PARLEVOX_CORE_TESTS
  player/PlaybackEngineTest.cpp
  player/PlayerNumbersTest.cpp
  player/PlaylistTest.cpp
  player/TrackTimelineTest.cpp
)
list(APPEND PARLEVOX_GUI_TESTS
  player/FolderPickerTest.cpp
  player/PlayerWindowTest.cpp
)
