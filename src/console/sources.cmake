# Console bridge, window-system seam, text helpers, clocks, practice game.
list(APPEND PARLEVOX_CORE_SOURCES
  src/console/modQ3.cpp
  src/console/modTarn.cpp
  src/console/PracticeConsole.cpp
  src/console/PracticeGame.cpp
  src/console/RetailConsoleLog.cpp
  src/console/SimulatedWindowSystem.cpp
  src/console/StreamConsole.cpp
  src/console/Text.cpp
  src/console/TextFile.cpp
  src/console/VirtualClock.cpp
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/console/PracticeConsoleWindow.cpp
)
