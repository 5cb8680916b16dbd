tavrel_add_test(conversions_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/conversions_test.cpp
  LIBS tavrel_conversions)
