# The content archive readers: LZSS streams and .cdp archives (opened, checked and extracted).
korvel_fuzz_target(lzss_decoder LIBS zel)
korvel_fuzz_target(archive_reader LIBS soup)
