# Benchmark of the engine layer: PString interning against a locked std::unordered_set.
add_executable(zel_pstring_bench ${CMAKE_CURRENT_SOURCE_DIR}/zel_pstring_bench.cpp)
target_link_libraries(zel_pstring_bench PRIVATE zel)
