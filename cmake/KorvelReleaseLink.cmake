# Start-up cost of the optimised programs: every command is a new process, so
# the work the loader does before main counts for each. Unused functions and
# data are dropped, only symbols that must be seen from outside are exported,
# libraries that nothing calls (OpenSSL for a program that never opens a TLS
# connection) are not loaded, and relative relocations are packed. The C++
# runtime is linked in, not loaded: only the texture compression module
# brings its own, and nothing C++ crosses into it. The runtime's symbols stay
# out of the programs' exported table, so the module never binds to them. A
# program that calls a C++ library directly sets KORVEL_SHARED_CXX_RUNTIME
# and keeps the shared runtime.
# Debug, sanitizer and fuzz builds keep the plain flags.
include(CheckLinkerFlag)

if(NOT KORVEL_SANITIZE AND NOT KORVEL_FUZZ)
  set(korvel_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  add_compile_options("$<${korvel_optimised}:-ffunction-sections;-fdata-sections>"
                      "$<${korvel_optimised}:-fvisibility=hidden>"
                      "$<$<AND:${korvel_optimised},$<COMPILE_LANGUAGE:CXX>>:-fvisibility-inlines-hidden>")
  set(korvel_link_flags -Wl,--gc-sections -Wl,--hash-style=gnu -Wl,--as-needed -Wl,-O1)
  check_linker_flag(CXX "-Wl,-z,pack-relative-relocs" KORVEL_LINKER_PACKS_RELOCATIONS)
  if(KORVEL_LINKER_PACKS_RELOCATIONS)
    list(APPEND korvel_link_flags -Wl,-z,pack-relative-relocs)
  endif()
  add_link_options("$<${korvel_optimised}:${korvel_link_flags}>")
  set(korvel_program_link_flags -static-libstdc++ -static-libgcc -Wl,--exclude-libs,libstdc++.a:libgcc.a:libgcc_eh.a)
  add_link_options("$<$<AND:${korvel_optimised},$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>,$<NOT:$<BOOL:$<TARGET_PROPERTY:KORVEL_SHARED_CXX_RUNTIME>>>>:${korvel_program_link_flags}>")
endif()
