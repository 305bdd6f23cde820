# script_method_table_scale_bench: writing the library image of one class
# with many functions, at 1x and 2x size.
if(TARGET script_compiler)
  add_executable(script_method_table_scale_bench ${CMAKE_CURRENT_LIST_DIR}/script_method_table_scale_bench.cpp)
  target_link_libraries(script_method_table_scale_bench PRIVATE script_compiler)
endif()
