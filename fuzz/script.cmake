# Fuzz target of the script compiler's front end (scanner, parser, checks).
if(TARGET script_compiler)
  korvel_fuzz_target(script_front_end LIBS script_compiler)
endif()
if(TARGET script_common)
  korvel_fuzz_target(script_disassembler LIBS script_common)
endif()
