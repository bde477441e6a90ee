# cmake -DNM=<nm> -DPROGRAM=<tavro-mcp> -P tests/AgentServerLedger.cmake
# Fails when the agent server carries any of the sync ledger: pushing, applying the service's
# rows, drops and the sign-out purge belong to the sync engine alone. The store's own symbols
# must be there, so a stripped or unreadable program cannot pass unseen.
execute_process(COMMAND "${NM}" --demangle --defined-only "${PROGRAM}" OUTPUT_VARIABLE symbols
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${PROGRAM}")
endif()
if(NOT symbols MATCHES "tavro::CaptureStore::")
  message(FATAL_ERROR "${PROGRAM} lists no store symbols; cannot tell what it links")
endif()
string(REGEX MATCHALL "[^\n]*tavro::SyncLedger[^\n]*" ledger "${symbols}")
list(LENGTH ledger faults)
if(faults GREATER 0)
  list(GET ledger 0 first)
  message(FATAL_ERROR "${PROGRAM} holds ${faults} sync ledger symbol(s), such as: ${first}")
endif()
