# The command host's question and answer readers.
korvel_fuzz_target(command_host_question LIBS assetdb)
korvel_fuzz_target(transfer_archive_reader LIBS assetdb)
