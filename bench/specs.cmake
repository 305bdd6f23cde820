# specs_bench: FindLoadedSpec with 10,000 specs loaded against an std::unordered_map lookup,
# and OpenResourceDatabase+Release from 8 threads against the same loop taking a bare mutex.
if(TARGET assetdb)
  add_executable(specs_bench ${CMAKE_CURRENT_LIST_DIR}/specs_bench.cpp)
  target_link_libraries(specs_bench PRIVATE assetdb)
endif()
