list(APPEND PARLEVOX_CORE_TESTS
  app/COpSysInfoTest.cpp
  app/MainFormTest.cpp
  app/ReplayScriptTest.cpp
)
list(APPEND PARLEVOX_GUI_TESTS
  app/MainWindowTest.cpp
)
