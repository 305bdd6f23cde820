# soup_bench: text and binary soup read/write of a 20 MB config against plain byte passes.
if(TARGET soup)
  add_executable(soup_bench ${CMAKE_CURRENT_LIST_DIR}/soup_bench.cpp)
  target_link_libraries(soup_bench PRIVATE soup)
endif()
