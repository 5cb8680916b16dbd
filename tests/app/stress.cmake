# A long session on the real window, offscreen: bounded by TAVREL_STRESS_SECONDS (default 60 in
# Release, 20 otherwise) after one warm-up pass over every corpus file.
tavrel_add_test(stress_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/stress_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/operations_fixture.cpp
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_app Qt6::Test)
target_include_directories(stress_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)
# Its cases are found when CTest runs, so their label is set by a script CTest reads after that.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/stress_labels.cmake
  "set_tests_properties(Session.ALongSessionReturnsFromEveryHandlerAndKeepsMemoryFlat PROPERTIES LABELS stress TIMEOUT 900)\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/stress_labels.cmake)
