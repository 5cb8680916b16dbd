# User actions on a 24-megapixel photo through the real window with the toolkit's painting, offscreen.
add_executable(gui_bench ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
target_link_libraries(gui_bench PRIVATE tavrel_app benchmark::benchmark)
