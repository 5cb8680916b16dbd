add_library(tavrel_draw STATIC
  ${CMAKE_CURRENT_LIST_DIR}/stretch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drawing_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resize.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encode.cpp
)
target_include_directories(tavrel_draw PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_draw PUBLIC tavrel_decode Threads::Threads PRIVATE JPEG::JPEG PNG::PNG)
