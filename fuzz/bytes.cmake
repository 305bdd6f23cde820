# Fuzz targets of the byte-level toolkit: the KUID text parser and TStream typed reads.
korvel_fuzz_target(kuid_parse LIBS kuid)
korvel_fuzz_target(stream_reads LIBS streams)
