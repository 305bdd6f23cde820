# content_service_stand_in: the content-service stand-in of the tests as a
# process, the server of bench/install_from_chb.sh.
find_package(Threads REQUIRED)
add_executable(content_service_stand_in ${CMAKE_CURRENT_LIST_DIR}/content_service_stand_in.cpp)
target_include_directories(content_service_stand_in PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(content_service_stand_in PRIVATE Threads::Threads)
