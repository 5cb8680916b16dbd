tavrel_add_test(gifpcx_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gifpcx_test.cpp
  LIBS tavrel_gifpcx tavrel_decode)
