# The memory figures read before big blocks, from folders laid out like /proc and cgroup mounts.
tavrel_add_test(image_memory_check_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/memory_check_test.cpp
  LIBS tavrel_image_types
)
