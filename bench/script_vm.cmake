# script_vm_bench: the script machine's loader and linker, its tables and
# its pool, each against a plain peer measured in the same run (Google
# Benchmark; skipped when the library is not installed).
if(TARGET script_vm AND TARGET script_compiler AND TARGET benchmark::benchmark)
  add_executable(script_vm_bench ${CMAKE_CURRENT_LIST_DIR}/script_vm_bench.cpp)
  target_link_libraries(script_vm_bench PRIVATE script_vm script_compiler benchmark::benchmark)
endif()

# script_vm_run_bench: the interpreter on workloads against their Lua 5.4
# twins, and against script_vm_switch_run, the same program on a machine
# built with the switch dispatch loop.
if(TARGET script_vm AND TARGET script_compiler)
  get_target_property(script_vm_sources script_vm SOURCES)
  add_library(script_vm_switch STATIC ${script_vm_sources})
  target_include_directories(script_vm_switch PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(script_vm_switch PUBLIC script_common base zel Threads::Threads)
  target_compile_definitions(script_vm_switch PRIVATE KORVEL_VM_SWITCH_DISPATCH)
  foreach(variant script_vm_run_bench script_vm_switch_run)
    add_executable(${variant} ${CMAKE_CURRENT_LIST_DIR}/script_vm_run_bench.cpp)
    target_include_directories(${variant} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
    target_compile_definitions(${variant} PRIVATE
      KORVEL_CORE_SCRIPTS_DIR="${CMAKE_SOURCE_DIR}/data/scripts"
      KORVEL_BENCH_SCRIPTS_DIR="${CMAKE_CURRENT_LIST_DIR}/script_vm_scripts")
  endforeach()
  target_link_libraries(script_vm_run_bench PRIVATE script_vm script_compiler)
  target_link_libraries(script_vm_switch_run PRIVATE script_vm_switch script_compiler)
  add_dependencies(script_vm_run_bench script_vm_switch_run)
endif()
