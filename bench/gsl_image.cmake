# gsl_image_bench: writing and reading a generated library image against a
# plain copy of its bytes.
if(TARGET script_compiler)
  add_executable(gsl_image_bench ${CMAKE_CURRENT_LIST_DIR}/gsl_image_bench.cpp)
  target_link_libraries(gsl_image_bench PRIVATE script_compiler)
endif()
