# The ".texture" reader of texinfo and the tests.
korvel_fuzz_target(texture_file_reader LIBS zel)
