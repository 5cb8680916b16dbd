add_library(tavrel_draw STATIC
  ${CMAKE_CURRENT_LIST_DIR}/drawing_surface.cpp
)
target_include_directories(tavrel_draw PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_draw PUBLIC tavrel_decode Threads::Threads PRIVATE JPEG::JPEG PNG::PNG)
