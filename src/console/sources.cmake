# Console bridge, window-system seam, text helpers, clocks, practice game.
list(APPEND PARLEVOX_CORE_SOURCES
  src/console/ConsoleBridge.cpp
  src/console/PracticeConsole.cpp
  src/console/PracticeGame.cpp
  src/console/SimulatedWindowSystem.cpp
  src/console/Text.cpp
  src/console/TextFile.cpp
  src/console/VirtualClock.cpp
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/console/PracticeConsoleWindow.cpp
)
