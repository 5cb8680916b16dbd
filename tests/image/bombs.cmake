# Files whose headers claim absurd sizes, and the largest canvas a size box allows.
tavrel_add_test(image_bombs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bombs_test.cpp ${CMAKE_CURRENT_LIST_DIR}/decode_fixtures.cpp
  LIBS tavrel_image JPEG::JPEG PNG::PNG
)
