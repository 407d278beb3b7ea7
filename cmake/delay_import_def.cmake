# Writes the module-definition file of one delay-loaded system DLL from the
# reviewed import allowlist: every function listed for that DLL, with its
# stdcall decoration (BeginPaint@8) on 32-bit, taken from the toolchain's
# own import library.
# EXTRA names functions of the 64-bit twin only, which that DLL exports
# where the 32-bit headers use another (SetWindowLongPtrW for SetWindowLongW).
#   cmake -DALLOWLIST=... -DDLL=USER32 -DNM=... -DIMPORT_LIB=... -DDECORATED=ON|OFF [-DEXTRA=f;g] -DOUT=... -P delay_import_def.cmake
file(STRINGS "${ALLOWLIST}" entries REGEX "^${DLL}\\.dll ")
foreach(function IN LISTS EXTRA)
  list(APPEND entries "${DLL}.dll ${function}")
endforeach()
if(NOT entries)
  message(FATAL_ERROR "${ALLOWLIST}: no function of ${DLL}.dll")
endif()
if(DECORATED)
  execute_process(COMMAND "${NM}" "${IMPORT_LIB}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} could not read ${IMPORT_LIB}")
  endif()
endif()
set(def "LIBRARY ${DLL}.dll\nEXPORTS\n")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^[^ ]+ " "" function "${entry}")
  if(DECORATED)
    if(NOT symbols MATCHES " T _${function}(@[0-9]+)\n")
      message(FATAL_ERROR "${IMPORT_LIB} has no stdcall function ${function}")
    endif()
    string(APPEND function "${CMAKE_MATCH_1}")
  endif()
  string(APPEND def "${function}\n")
endforeach()
file(WRITE "${OUT}.new" "${def}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
