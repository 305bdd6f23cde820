# The mesh file readers: the JIRF container walk, the indexed, LOD and
# progressive mesh definitions, and the LOD text description.
if(TARGET mesh)
  korvel_fuzz_target(mesh_chunk_file LIBS zel)
  korvel_fuzz_target(mesh_indexed_reader LIBS mesh zel)
  korvel_fuzz_target(mesh_lod_reader LIBS mesh zel)
  korvel_fuzz_target(mesh_progressive_reader LIBS mesh zel)
  korvel_fuzz_target(mesh_lod_text_parser LIBS mesh zel)
  # The text target writes its level files with the tests' mesh writer.
  target_include_directories(mesh_lod_text_parser_replay PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(KORVEL_FUZZ)
    target_include_directories(mesh_lod_text_parser_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  endif()
endif()
