# script_compile_gse_bench: protecting and unprotecting a 1 MB script source
# (.gse: LZSS level 9 and scrambling) against zlib level 9 on the same bytes.
# The full-compile benchmark is bench/script_compile.sh.
find_package(ZLIB QUIET)
if(TARGET script_common AND ZLIB_FOUND)
  add_executable(script_compile_gse_bench ${CMAKE_CURRENT_LIST_DIR}/script_compile_gse_bench.cpp)
  # zlib is the peer of the benchmark only; the libraries never link it.
  target_link_libraries(script_compile_gse_bench PRIVATE script_common ZLIB::ZLIB)
endif()
