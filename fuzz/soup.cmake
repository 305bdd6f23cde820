# The soup readers: the text form (config.txt) and the "ACS$" binary form.
korvel_fuzz_target(soup_text_reader LIBS soup)
korvel_fuzz_target(soup_binary_reader LIBS soup)
