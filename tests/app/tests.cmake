list(APPEND PARLEVOX_CORE_TESTS
  app/OsInfoTest.cpp
  app/StartUpTest.cpp
  app/ReplayScriptTest.cpp
)
list(APPEND PARLEVOX_GUI_TESTS
  app/MainWindowTest.cpp
)
