# script_semantic_scale_bench: the semantic pass over a class with many
# functions and a file with many names, at 1x and 2x size.
if(TARGET script_compiler)
  add_executable(script_semantic_scale_bench ${CMAKE_CURRENT_LIST_DIR}/script_semantic_scale_bench.cpp)
  target_link_libraries(script_semantic_scale_bench PRIVATE script_compiler)
endif()
