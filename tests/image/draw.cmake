tavrel_add_test(image_draw_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/draw_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/draw_surface_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/draw_encode_test.cpp
  LIBS tavrel_image JPEG::JPEG PNG::PNG
)

tavrel_add_test(image_draw_cli_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/draw_cli_test.cpp
  LIBS tavrel_image PNG::PNG
)
target_compile_definitions(image_draw_cli_test PRIVATE TAVREL_CLI_PATH="$<TARGET_FILE:tavrel-cli>")
add_dependencies(image_draw_cli_test tavrel-cli)
