# script_codegen_bench: code generation against the front end over the same
# generated source, and byte-buffer appends against std::vector.
if(TARGET script_compiler)
  add_executable(script_codegen_bench ${CMAKE_CURRENT_LIST_DIR}/script_codegen_bench.cpp)
  target_link_libraries(script_codegen_bench PRIVATE script_compiler)
endif()
