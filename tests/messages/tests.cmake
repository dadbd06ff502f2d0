list(APPEND PARLEVOX_GUI_TESTS
  messages/EditorWindowTest.cpp
)
