# The compiler warnings every target is built with, and -Werror for CI.

option(KORVEL_WERROR "Treat compiler warnings as errors (CI builds with it)" OFF)

add_compile_options(-Wall -Wextra)
if(KORVEL_WERROR)
  add_compile_options(-Werror)
endif()

# GCC 12's optimiser inlines std::string's replace into every `"text" + str`
# and then reports an overlap it made up (a copy of 2^63 bytes at a negative
# offset, GCC bug 105329, fixed in GCC 13). It fires at any such line in an
# optimised build, so it cannot be worked around line by line as new code
# comes; the check stays on for every other compiler.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-Wno-restrict>)
endif()
