# mesh_checks_bench: validating an asset with a large LOD mesh against loading
# its files through the mesh readers alone, and memory over many validations.
if(TARGET templates)
  add_executable(mesh_checks_bench ${CMAKE_CURRENT_LIST_DIR}/mesh_checks_bench.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/mesh_checks_readers.cpp)
  target_link_libraries(mesh_checks_bench PRIVATE templates)
  target_include_directories(mesh_checks_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(mesh_checks_bench PRIVATE KORVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
