# Peak memory over repeated drops of a 24-megapixel photo on the real window, offscreen.
add_executable(drop_memory ${CMAKE_CURRENT_LIST_DIR}/drop_memory.cpp)
target_link_libraries(drop_memory PRIVATE tavrel_app)
