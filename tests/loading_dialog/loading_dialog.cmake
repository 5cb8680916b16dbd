# The loading-dialog module on its own, offscreen: the GUID, the window class, what a dialog
# releases when destroyed, and dragging by the client area.
tavrel_add_test(loading_dialog_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/loading_dialog_test.cpp
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_loading_dialog Qt6::Test)
target_include_directories(loading_dialog_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)

# The program's start and end around the module: initialised before the window, released by the
# exit routine.
tavrel_add_test(loading_dialog_startup_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/loading_dialog_startup_test.cpp
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_app Qt6::Test)
target_include_directories(loading_dialog_startup_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)
