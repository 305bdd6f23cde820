# Helpers shared by every folder's CMakeLists.txt.

# Adds each listed folder that has a CMakeLists.txt of its own.
function(korvel_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# korvel_library(<name> [DEPS <targets>...] [EXCLUDE <files>...])
# One static library from every .cpp directly in the current folder.
# Includes are written from the source root: #include "zel/pstring.h".
function(korvel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(ex ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${ex}")
  endforeach()
  if(NOT sources)
    # A folder that holds only headers so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} Threads::Threads)
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
endfunction()

# korvel_test(<name> LIBS <targets>...) : one GoogleTest binary from every
# .cpp in the current tests folder.
function(korvel_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  # NO_PRETTY_VALUES: a named parameter would otherwise keep gtest's dump of
  # the parameter's bytes in the test's name, hundreds of characters long.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                       PROPERTIES TIMEOUT 300)
endfunction()

# korvel_fuzz_target(<name> LIBS <targets>...) : fuzz/<name>.cpp defines
# LLVMFuzzerTestOneInput. With KORVEL_FUZZ (clang) it becomes a libFuzzer
# binary; always it becomes <name>_replay, which ctest runs over
# fuzz/corpus/<name>/ so every build replays the seeds.
function(korvel_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  # A build that leaves a library out (the bench and client-only builds)
  # simply has no targets for its readers.
  foreach(lib ${ARG_LIBS})
    if(NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  add_executable(${name}_replay ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp
                 ${CMAKE_CURRENT_SOURCE_DIR}/replay_main.cpp)
  target_link_libraries(${name}_replay PRIVATE ${ARG_LIBS})
  add_test(NAME fuzz_replay_${name}
           COMMAND ${name}_replay ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  if(KORVEL_FUZZ)
    add_executable(${name}_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
    target_compile_options(${name}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name}_fuzz PRIVATE ${ARG_LIBS})
  endif()
endfunction()
