# The preview box in the real main window, offscreen: grabbed pixels, GIF playback over time.
if(TAVREL_GUI)
  tavrel_add_test(image_pic_box_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/pic_box_test.cpp ${PROJECT_SOURCE_DIR}/tests/forms/qt_test_support.cpp
    LIBS tavrel_app tavrel_preview Qt6::Test PNG::PNG)
  set_target_properties(image_pic_box_test PROPERTIES AUTOMOC ON)
  target_include_directories(image_pic_box_test PRIVATE ${PROJECT_SOURCE_DIR}/tests/forms)
endif()
