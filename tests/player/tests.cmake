list(APPEND PARLEVOX_CORE_TESTS
  player/PlaybackEngineTest.cpp
  player/PlayerNumbersTest.cpp
  player/PlaylistTest.cpp
)
