# script_vm_bench: the script machine's loader and linker, its tables and
# its pool, each against a plain peer measured in the same run (Google
# Benchmark; skipped when the library is not installed).
if(TARGET script_vm AND TARGET script_compiler AND TARGET benchmark::benchmark)
  add_executable(script_vm_bench ${CMAKE_CURRENT_LIST_DIR}/script_vm_bench.cpp)
  target_link_libraries(script_vm_bench PRIVATE script_vm script_compiler benchmark::benchmark)
endif()
