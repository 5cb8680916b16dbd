# Whole-file reading and writing of the form layer; no window needed.
tavrel_add_test(file_access_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_access_test.cpp
  LIBS tavrel_forms)
