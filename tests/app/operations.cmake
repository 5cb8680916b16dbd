# The user operations on the real window, offscreen: intake by drop, square scaling, custom sizes
# and presets, saving through the real dialog, and the drop target.
tavrel_add_test(operations_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/operations_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/operations_save_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/operations_drop_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/operations_fixture.cpp
          ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
  LIBS tavrel_app Qt6::Test)
target_include_directories(operations_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)

# A real drop from another process on a private X server; the drag source watches the X protocol.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TAVREL_XCB REQUIRED IMPORTED_TARGET xcb)
add_executable(drag_source ${CMAKE_CURRENT_LIST_DIR}/drag_source.cpp)
target_link_libraries(drag_source PRIVATE Qt6::Widgets PkgConfig::TAVREL_XCB)
add_test(NAME operations_xdnd
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/operations_xdnd.sh $<TARGET_FILE:tavrel> $<TARGET_FILE:drag_source>)
set_tests_properties(operations_xdnd PROPERTIES TIMEOUT 90 SKIP_RETURN_CODE 77)
