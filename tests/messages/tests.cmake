list(APPEND PARLEVOX_CORE_TESTS
  messages/MessageSetFileTest.cpp
)
list(APPEND PARLEVOX_GUI_TESTS
  messages/EditorWindowTest.cpp
)
