# The preview box's toolkit-free side: placement by display mode, painting its client area and
# animated GIF playback.
add_library(tavrel_preview STATIC
  ${CMAKE_CURRENT_LIST_DIR}/placement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/preview_render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gif_animation.cpp
)
target_include_directories(tavrel_preview PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_preview PUBLIC tavrel_image Threads::Threads)
