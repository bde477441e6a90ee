# cmake -DREADELF=<readelf> -DPROGRAM=<tavro-mcp> -P tests/AgentServerLinks.cmake
# Fails when the agent server needs a shared library it must not load: the sync layer's curl and
# the keychain's libsecret have no place in it, and what it links statically or loads on demand
# (ICU, the image codecs, cairo, GIO, libcrypto) must not come back as start-up cost.
execute_process(COMMAND "${READELF}" --dynamic "${PROGRAM}" OUTPUT_VARIABLE dynamic
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${READELF} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
set(faults 0)
foreach(entry IN LISTS needed)
  foreach(forbidden curl secret gio glib gobject cairo pixman crypto ssl icu png jpeg)
    if(entry MATCHES "lib${forbidden}")
      message(SEND_ERROR "tavro-mcp needs ${entry}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()
if(faults GREATER 0)
  message(FATAL_ERROR "${faults} shared librar(ies) tavro-mcp must not need")
endif()
