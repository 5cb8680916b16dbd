# The form layer on windows built in the tests.
tavrel_add_test(forms_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/form_layer_test.cpp ${CMAKE_CURRENT_LIST_DIR}/qt_test_support.cpp
  LIBS tavrel_forms Qt6::Test)
