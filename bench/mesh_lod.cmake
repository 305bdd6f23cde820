# mesh_lod_bench: LOD Save against fwrite of the same bytes, CreateInstance of shared chunks at 1k and 100k
# vertices, and software UpdateSkin against a plain weighted-matrix loop.
if(TARGET mesh)
  add_executable(mesh_lod_bench ${CMAKE_CURRENT_SOURCE_DIR}/mesh_lod_bench.cpp)
  target_link_libraries(mesh_lod_bench PRIVATE mesh zel)
  target_include_directories(mesh_lod_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
