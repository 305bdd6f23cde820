# templates_bench: the template checks against reading the same bytes (config
# reading, the texture walk, loading the template library).
if(TARGET templates)
  add_executable(templates_bench ${CMAKE_CURRENT_LIST_DIR}/templates_bench.cpp)
  target_link_libraries(templates_bench PRIVATE templates)
  target_include_directories(templates_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(templates_bench PRIVATE KORVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endif()
