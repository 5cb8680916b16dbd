add_library(tavrel_decode STATIC
  ${CMAKE_CURRENT_LIST_DIR}/image_types.cpp
)
target_include_directories(tavrel_decode PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_decode PUBLIC tavrel_gifpcx PRIVATE JPEG::JPEG PNG::PNG)
