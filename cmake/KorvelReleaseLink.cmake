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
  # The image and font libraries (C only) are linked in too, from their
  # archives when the system has them; they stay unexported like the runtime.
  set(KORVEL_STATIC_C_LIBRARY_NAMES fontconfig freetype brotlidec brotlicommon expat png16 jpeg z)
  set(KORVEL_STATIC_C_LIBRARIES "")
  if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
    foreach(name ${KORVEL_STATIC_C_LIBRARY_NAMES})
      find_library(KORVEL_STATIC_${name} NAMES lib${name}.a)
      if(NOT KORVEL_STATIC_${name})
        set(KORVEL_STATIC_C_LIBRARIES "")
        break()
      endif()
      list(APPEND KORVEL_STATIC_C_LIBRARIES ${KORVEL_STATIC_${name}})
    endforeach()
  endif()
  set(korvel_excluded libstdc++.a:libgcc.a:libgcc_eh.a)
  foreach(name ${KORVEL_STATIC_C_LIBRARY_NAMES})
    string(APPEND korvel_excluded ":lib${name}.a")
  endforeach()
  set(korvel_program_link_flags -static-libstdc++ -static-libgcc -Wl,--exclude-libs,${korvel_excluded})
  add_link_options("$<$<AND:${korvel_optimised},$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>,$<NOT:$<BOOL:$<TARGET_PROPERTY:KORVEL_SHARED_CXX_RUNTIME>>>>:${korvel_program_link_flags}>")
endif()
