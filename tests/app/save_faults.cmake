# Saving the result when the disk is full or another process holds the target.
tavrel_add_test(save_faults_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/save_faults_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/operations_fixture.cpp
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_app Qt6::Test)
target_include_directories(save_faults_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)
