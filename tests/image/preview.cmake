tavrel_add_test(image_preview_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/preview_test.cpp
  LIBS tavrel_preview
)
