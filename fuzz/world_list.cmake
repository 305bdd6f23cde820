# Fuzz target of the world-list stream readers (full stream with its state
# block, and the data stream), over a list that already holds items.
korvel_fuzz_target(world_list_reader LIBS scripthost)
