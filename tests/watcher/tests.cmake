list(APPEND PARLEVOX_CORE_TESTS
  watcher/WatchCycleTest.cpp
)
