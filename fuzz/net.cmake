# The online-access client's readers: service datagrams and the saved message store.
korvel_fuzz_target(online_access_reader LIBS assetdb)
