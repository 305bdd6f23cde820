# alpha_blend_cache_bench: the sorted alpha-blend cache's Add + Render of 10k chunks against a plain
# std::stable_sort by distance doing the same sorting, and the allocations of a steady frame.
if(TARGET mesh)
  add_executable(alpha_blend_cache_bench ${CMAKE_CURRENT_SOURCE_DIR}/alpha_blend_cache_bench.cpp)
  target_link_libraries(alpha_blend_cache_bench PRIVATE mesh zel)
endif()
