add_library(tavrel_gifpcx STATIC
  ${CMAKE_CURRENT_LIST_DIR}/lzw.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pcx.cpp
)
target_include_directories(tavrel_gifpcx PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_gifpcx PUBLIC tavrel_image_types)
