# script_natives_bench: a script building and querying a Soup of 10,000 tags
# against the same operations on the soup API from C++, and the cost of one
# native call against a call of an empty script method.
if(TARGET scripthost AND TARGET script_api_libraries)
  add_executable(script_natives_bench ${CMAKE_CURRENT_LIST_DIR}/script_natives_bench.cpp)
  target_link_libraries(script_natives_bench PRIVATE scripthost script_compiler)
  target_include_directories(script_natives_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(script_natives_bench PRIVATE
    KORVEL_SCRIPT_SOURCES_DIR="${CMAKE_SOURCE_DIR}/data/scripts"
    KORVEL_SCRIPT_API_SOURCES_DIR="${CMAKE_SOURCE_DIR}/data/api"
    KORVEL_SCRIPT_LIBRARIES_DIR="${CMAKE_BINARY_DIR}/libraries")
  add_dependencies(script_natives_bench script_api_libraries)
endif()
