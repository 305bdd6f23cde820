# The template checks: old configs of any content upgraded before they are
# checked.
korvel_fuzz_target(config_upgrade LIBS templates soup)
