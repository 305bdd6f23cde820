# The ".kin" animation reader of the animator.
korvel_fuzz_target(kin_animation_reader LIBS zel)
