# The command host's question and answer readers.
if(TARGET assetdb)
  korvel_fuzz_target(command_host_question LIBS assetdb)
endif()
if(TARGET assetdb)
  korvel_fuzz_target(transfer_archive_reader LIBS assetdb)
endif()
