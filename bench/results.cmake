# The results printer against a plain fwrite of the same bytes.
if(TARGET results)
  add_executable(results_print_bench ${CMAKE_CURRENT_LIST_DIR}/results_print_bench.cpp)
  target_link_libraries(results_print_bench PRIVATE results)
endif()
