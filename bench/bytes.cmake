# Benchmark of the byte-level toolkit: KUID text, TBuffer reads and CRC-32 against their peers.
find_package(ZLIB QUIET)
if(ZLIB_FOUND)
  add_executable(bytes_bench ${CMAKE_CURRENT_SOURCE_DIR}/bytes_bench.cpp)
  # zlib is the CRC peer of the benchmark only; the libraries never link it.
  target_link_libraries(bytes_bench PRIVATE base streams kuid ZLIB::ZLIB)
endif()
