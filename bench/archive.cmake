# archive_bench: LZSS compression and decompression against zlib (gzip's coder) at matching levels, dsid against memcpy.
find_package(ZLIB QUIET)
if(TARGET soup AND ZLIB_FOUND)
  add_executable(archive_bench ${CMAKE_CURRENT_LIST_DIR}/archive_bench.cpp)
  target_link_libraries(archive_bench PRIVATE soup ZLIB::ZLIB)
endif()
