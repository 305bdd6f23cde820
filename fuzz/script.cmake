# Fuzz targets of the script tools: the compiler's front end (scanner, parser,
# checks), the disassembler, .gse sources, the compiled library image reader
# (.gsl files reach the loader from anywhere), whole compiles, and compiled
# programs through the image writer and back through the reader.
korvel_fuzz_target(script_front_end LIBS script_compiler)
korvel_fuzz_target(script_disassembler LIBS script_common)
korvel_fuzz_target(gse_reader LIBS script_common)
korvel_fuzz_target(gsl_reader LIBS script_common)
korvel_fuzz_target(script_compile LIBS script_compiler)
korvel_fuzz_target(gsl_writer LIBS script_compiler)
# The script machine's loader and linker (with the core library compiled).
korvel_fuzz_target(gsl_loader LIBS script_vm script_compiler)
foreach(target gsl_loader_replay gsl_loader_fuzz)
  if(TARGET ${target})
    target_compile_definitions(${target} PRIVATE KORVEL_CORE_SCRIPTS_DIR="${CMAKE_SOURCE_DIR}/data/scripts")
  endif()
endforeach()
