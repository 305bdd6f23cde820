# The soup readers: the text form (config.txt), the "ACS$" binary form, and
# asset configs read in either form within their limits.
korvel_fuzz_target(soup_text_reader LIBS soup)
korvel_fuzz_target(soup_binary_reader LIBS soup)
korvel_fuzz_target(asset_config_reader LIBS soup)
