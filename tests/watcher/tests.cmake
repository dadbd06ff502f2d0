list(APPEND PARLEVOX_CORE_TESTS
  watcher/GameEventRepliesTest.cpp
  watcher/WatchCycleTest.cpp
)
