# The real main window driven through its widgets, offscreen.
tavrel_add_test(main_window_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp ${CMAKE_CURRENT_LIST_DIR}/url_catcher.h
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_app Qt6::Test)
set_target_properties(main_window_test PROPERTIES AUTOMOC ON)
target_include_directories(main_window_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)

# The built program on a real X server: shown at its size, closed by Esc with exit code 0.
add_test(NAME app_smoke COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/smoke.sh $<TARGET_FILE:tavrel>)
set_tests_properties(app_smoke PROPERTIES TIMEOUT 60 SKIP_RETURN_CODE 77)
