add_library(tavrel_conversions STATIC ${CMAKE_CURRENT_LIST_DIR}/conversions.cpp)
target_include_directories(tavrel_conversions PUBLIC ${PROJECT_SOURCE_DIR})
