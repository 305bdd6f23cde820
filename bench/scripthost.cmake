# scripthost_bench: a warm-cache check of an asset with 20 scripts (every
# cache file already there) against 20 x (stat + a 20-byte read).
if(TARGET scripthost AND TARGET script_api_libraries)
  add_executable(scripthost_bench ${CMAKE_CURRENT_LIST_DIR}/scripthost_bench.cpp)
  target_link_libraries(scripthost_bench PRIVATE scripthost)
  target_include_directories(scripthost_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(scripthost_bench PRIVATE KORVEL_SCRIPT_SOURCES_DIR="${CMAKE_SOURCE_DIR}/data/scripts"
                                                      KORVEL_SCRIPT_API_SOURCES_DIR="${CMAKE_SOURCE_DIR}/data/api"
                                                      KORVEL_SCRIPT_LIBRARIES_DIR="${CMAKE_BINARY_DIR}/libraries")
  add_dependencies(scripthost_bench script_api_libraries)
endif()
