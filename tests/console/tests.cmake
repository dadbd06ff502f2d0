list(APPEND PARLEVOX_CORE_TESTS
  console/BridgeTest.cpp
  console/PracticeGameTest.cpp
  console/RetailConsoleLogTest.cpp
  console/StreamConsoleTest.cpp
  console/TextTest.cpp
  console/VirtualClockTest.cpp
)
