# Benchmark of the world list: saving and loading 100k and 200k items through
# the full stream against copying the same bytes with memcpy.
if(TARGET scripthost)
  add_executable(world_list_bench ${CMAKE_CURRENT_LIST_DIR}/world_list_bench.cpp)
  target_link_libraries(world_list_bench PRIVATE scripthost)
  target_include_directories(world_list_bench PRIVATE ${CMAKE_SOURCE_DIR})
endif()
