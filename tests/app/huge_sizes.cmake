# Typed sizes up to the canvas's 32627 x 32627 on the real window: thin ones, the biggest where
# memory is short (in a limited cgroup when run as root) and, in Release, the full-size square.
tavrel_add_test(huge_sizes_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/huge_sizes_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/operations_fixture.cpp
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_app Qt6::Test)
target_include_directories(huge_sizes_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)
# The full-size square takes about 7.5 GB and 3.2 GB of disk: in Release it runs alone; elsewhere
# it skips itself. Its case is found when CTest runs, so its properties come from a script read then.
if(CMAKE_BUILD_TYPE STREQUAL "Release" AND NOT TAVREL_SANITIZE)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/huge_sizes_labels.cmake
    "set_tests_properties(HugeSizes.TheFullSizeSquareIsMadeAndSavedWhereMemoryAllows PROPERTIES LABELS huge RUN_SERIAL ON TIMEOUT 900)\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/huge_sizes_labels.cmake)
endif()
