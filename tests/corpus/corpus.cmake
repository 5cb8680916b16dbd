# Decodes every file of the third-party corpus with tavrel-cli and compares the results with
# reference renderings and with the committed tables next to the script. The corpus lives beside
# the repository, never in it; without it (or without ImageMagick) the test reports itself skipped.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET tavrel-cli AND Python3_Interpreter_FOUND)
  add_test(NAME corpus_compare_decodes
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/compare_decodes
            --cli $<TARGET_FILE:tavrel-cli> --corpus ${PROJECT_SOURCE_DIR}/../shared/corpus)
  set_tests_properties(corpus_compare_decodes PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 1800 LABELS corpus)
endif()
