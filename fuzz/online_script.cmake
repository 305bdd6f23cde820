# Fuzz target of what the OnlineAccess and OnlineGroup classes read: the
# service's user updates of a group and the stored-message cache.
if(TARGET scripthost)
  korvel_fuzz_target(online_script_readers LIBS scripthost)
endif()
