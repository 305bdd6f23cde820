# mesh_bench: ".im" loading against read + memcpy, axis box tree build and queries against sort and brute
# force, KD welding against std::unordered_map, and how each scales when the input doubles.
if(TARGET mesh)
  add_executable(mesh_bench ${CMAKE_CURRENT_SOURCE_DIR}/mesh_bench.cpp)
  target_link_libraries(mesh_bench PRIVATE mesh zel)
  target_include_directories(mesh_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
