# Preview box and canvas controls: the only image code that meets the toolkit and the form layer.
add_library(tavrel_image_controls STATIC
  ${CMAKE_CURRENT_LIST_DIR}/draw_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pic_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw_panel.h
  ${CMAKE_CURRENT_LIST_DIR}/pic_box.h
)
set_target_properties(tavrel_image_controls PROPERTIES AUTOMOC ON)
target_include_directories(tavrel_image_controls PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_image_controls PUBLIC tavrel_image tavrel_preview tavrel_forms Qt6::Widgets)
