# The form layer: windows built from their description, the standard control kinds, event
# delivery, property access, message boxes, the drop target, the save dialog, file access and
# opening web addresses.
add_library(tavrel_forms STATIC
  ${CMAKE_CURRENT_LIST_DIR}/button.cpp
  ${CMAKE_CURRENT_LIST_DIR}/colours.cpp
  ${CMAKE_CURRENT_LIST_DIR}/combo_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/common_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drop_target.cpp
  ${CMAKE_CURRENT_LIST_DIR}/edges.cpp
  ${CMAKE_CURRENT_LIST_DIR}/edit_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_layer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/form_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/group_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kind_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/label.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open_url.cpp
  ${CMAKE_CURRENT_LIST_DIR}/slider_bar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_class.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_loader.cpp
  # Headers with Qt classes, so their meta-objects are generated.
  ${CMAKE_CURRENT_LIST_DIR}/button.h
  ${CMAKE_CURRENT_LIST_DIR}/combo_box.h
  ${CMAKE_CURRENT_LIST_DIR}/common_dlg.h
  ${CMAKE_CURRENT_LIST_DIR}/drop_target.h
  ${CMAKE_CURRENT_LIST_DIR}/edit_box.h
  ${CMAKE_CURRENT_LIST_DIR}/form_window.h
  ${CMAKE_CURRENT_LIST_DIR}/group_box.h
  ${CMAKE_CURRENT_LIST_DIR}/label.h
  ${CMAKE_CURRENT_LIST_DIR}/message_filter.h
  ${CMAKE_CURRENT_LIST_DIR}/slider_bar.h
)
set_target_properties(tavrel_forms PROPERTIES AUTOMOC ON)
target_include_directories(tavrel_forms PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_forms PUBLIC tavrel_conversions Qt6::Widgets)
