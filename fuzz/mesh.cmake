# The mesh file readers: the JIRF container walk and the indexed mesh definition.
if(TARGET mesh)
  korvel_fuzz_target(mesh_chunk_file LIBS zel)
  korvel_fuzz_target(mesh_indexed_reader LIBS mesh zel)
endif()
