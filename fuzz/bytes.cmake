# Fuzz targets of the byte-level toolkit: the KUID text parser and TStream typed reads.
korvel_fuzz_target(kuid_parse LIBS soup_kuid)
korvel_fuzz_target(stream_reads LIBS app_streams)
