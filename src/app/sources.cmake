# Start-up, main window, OS description.
list(APPEND PARLEVOX_CORE_SOURCES
  src/app/OsInfo.cpp
  src/app/WindowGeometry.cpp
  src/app/Core.cpp
  src/app/GameWindow.cpp
  src/app/StartUp.cpp
  src/app/OsVersionQuery.cpp
  src/app/ReplayScript.cpp
)
list(APPEND PARLEVOX_GUI_SOURCES
  src/app/frmMain.cpp
  src/app/Look.cpp
  src/app/QtFormPort.cpp
  src/app/Program.cpp
  src/app/QtClock.cpp
  src/app/QtDialogs.cpp
  src/app/Replay.cpp
)
