# The daemon's parser of what clients send.
korvel_fuzz_target(daemon_request_reader LIBS assetdb_protocol)
