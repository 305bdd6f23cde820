# Job dispatcher and data-lock benchmarks: each prints ours, the peer and the ratio.
if(TARGET base)
  add_executable(jobs_bench ${CMAKE_CURRENT_LIST_DIR}/jobs_bench.cpp)
  target_link_libraries(jobs_bench PRIVATE base)
endif()
