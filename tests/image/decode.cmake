tavrel_add_test(image_decode_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/decode_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decode_formats_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decode_malformed_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/decode_fixtures.cpp
  LIBS tavrel_decode JPEG::JPEG PNG::PNG
)
