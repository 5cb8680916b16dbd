add_library(tavrel_forms STATIC ${CMAKE_CURRENT_LIST_DIR}/placeholder.cpp)
target_include_directories(tavrel_forms PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavrel_forms PUBLIC tavrel_conversions Qt6::Widgets)
