# Texture compression: our wrapper against NVIDIA Texture Tools called
# directly, folder conversion against ideal scaling, and libsquish (a
# separate executable: it defines the squish:: symbols nvtt carries too).
if(TARGET mesh)
  find_library(BENCH_NVTT_LIBRARY nvtt)
  add_executable(texture_compress_bench ${CMAKE_CURRENT_LIST_DIR}/texture_compress_bench.cpp)
  target_link_libraries(texture_compress_bench PRIVATE mesh ${BENCH_NVTT_LIBRARY})
  add_executable(texture_folder_bench ${CMAKE_CURRENT_LIST_DIR}/texture_folder_bench.cpp)
  target_link_libraries(texture_folder_bench PRIVATE mesh ${BENCH_NVTT_LIBRARY})
  # Both call the library's C++ interface themselves.
  set_target_properties(texture_compress_bench texture_folder_bench PROPERTIES KORVEL_SHARED_CXX_RUNTIME ON)
  find_library(BENCH_SQUISH_LIBRARY squish)
  if(BENCH_SQUISH_LIBRARY)
    add_executable(texture_squish_peer_bench ${CMAKE_CURRENT_LIST_DIR}/texture_squish_peer_bench.cpp)
    target_link_libraries(texture_squish_peer_bench PRIVATE ${BENCH_SQUISH_LIBRARY})
    target_include_directories(texture_squish_peer_bench PRIVATE ${CMAKE_SOURCE_DIR})
  endif()
endif()
