# The results log's wire reader (lines from the daemon and command hosts).
korvel_fuzz_target(results_log_wire LIBS results)
