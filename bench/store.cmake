# store_bench: searching the asset store (100,000 synthetic assets) against
# iterating the same rows in memory, and the daemon's resident memory.
if(TARGET kaddaemon)
  add_executable(store_bench store_bench.cpp ${CMAKE_SOURCE_DIR}/tests/daemon/daemon_test_support.cpp)
  target_link_libraries(store_bench PRIVATE daemon)
  target_include_directories(store_bench PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(store_bench PRIVATE KAD_DAEMON_EXECUTABLE="$<TARGET_FILE:kaddaemon>")
  add_dependencies(store_bench kaddaemon)
endif()
