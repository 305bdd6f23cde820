# The results printer against a plain fwrite of the same bytes.
if(TARGET app_results)
  add_executable(results_print_bench ${CMAKE_CURRENT_LIST_DIR}/results_print_bench.cpp)
  target_link_libraries(results_print_bench PRIVATE app_results)
endif()
