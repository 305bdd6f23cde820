# Fuzz target of the online-group user updates the service sends.
if(TARGET scripthost)
  korvel_fuzz_target(online_group_update LIBS scripthost)
endif()
