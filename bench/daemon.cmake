# daemon_bench: empty requests to the real daemon against a raw loopback
# TCP ping-pong measured in the same run.
if(TARGET kaddaemon)
  add_executable(daemon_bench daemon_bench.cpp ${CMAKE_SOURCE_DIR}/tests/daemon/daemon_test_support.cpp)
  target_link_libraries(daemon_bench PRIVATE assetdb_protocol platform)
  target_include_directories(daemon_bench PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(daemon_bench PRIVATE KAD_DAEMON_EXECUTABLE="$<TARGET_FILE:kaddaemon>")
  add_dependencies(daemon_bench kaddaemon)
endif()
