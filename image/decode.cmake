add_library(tavrel_decode STATIC
  ${CMAKE_CURRENT_LIST_DIR}/detect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ico.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
)
target_include_directories(tavrel_decode PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_decode PUBLIC tavrel_gifpcx PRIVATE JPEG::JPEG PNG::PNG)
