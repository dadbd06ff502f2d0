list(APPEND PARLEVOX_CORE_TESTS
  watcher/CommandChainTest.cpp
  watcher/GameEventRepliesTest.cpp
  watcher/MusicChatCommandsTest.cpp
  watcher/WatchCycleTest.cpp
)
