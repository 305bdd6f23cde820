# Lays out a fresh installation tree: removes the old stage, then installs
# the build into it. Run as: cmake -DBUILD=<build> -DSTAGE=<stage> -P stage_install.cmake
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${STAGE}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install into ${STAGE} failed: ${result}")
endif()
if(NOT EXISTS "${STAGE}/bin/KorvelUtil")
  message(FATAL_ERROR "the staged tree has no bin/KorvelUtil")
endif()
