# store_install_bench: the in-process peer of bench/store_install.sh.
if(TARGET soup)
  add_executable(store_install_bench ${CMAKE_CURRENT_LIST_DIR}/store_install_bench.cpp)
  target_link_libraries(store_install_bench PRIVATE soup)
endif()
