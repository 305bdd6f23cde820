# Fuzz target of the script compiler's front end (scanner, parser, checks).
if(TARGET script_compiler)
  korvel_fuzz_target(script_front_end LIBS script_compiler)
endif()
if(TARGET script_common)
  korvel_fuzz_target(script_disassembler LIBS script_common)
endif()
if(TARGET script_common)
  korvel_fuzz_target(gse_reader LIBS script_common)
endif()
# The compiled library image reader (.gsl files reach the loader from anywhere).
if(TARGET script_common)
  korvel_fuzz_target(gsl_reader LIBS script_common)
endif()
