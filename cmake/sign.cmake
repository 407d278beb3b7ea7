# Signs PROGRAM in place with osslsigncode (Authenticode, SHA-256). When
# signing fails the program is removed, so that no unsigned build is left
# where the signed one belongs, and one line says what to mend.
#   cmake -DOSSLSIGNCODE=... -DPKCS12=... -DPASSWORD_FILE=... [-DTIMESTAMP_URL=...]
#         -DPROGRAM=... -P sign.cmake
set(timestamp)
if(TIMESTAMP_URL)
  set(timestamp -ts "${TIMESTAMP_URL}")
endif()
execute_process(
  COMMAND "${OSSLSIGNCODE}" sign -pkcs12 "${PKCS12}" -readpass "${PASSWORD_FILE}" -h sha256
          -n "VRIX Mobile Security" ${timestamp} -in "${PROGRAM}" -out "${PROGRAM}.signed"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${PROGRAM}" "${PROGRAM}.signed")
  # osslsigncode's first line that names a failure, e.g. "Failed to parse
  # PKCS#12 file: ... (Wrong password?)".
  string(REGEX MATCH "Failed[^\n]*[^\n ]|[^\n]*[Ee]rror[^\n]*" reason "${output}")
  message(NOTICE "Signing failed, so VRIXSetup.exe was removed: ${reason}. "
                 "Mend VRIX_SIGN_PKCS12 (${PKCS12}) or the password in VRIX_SIGN_PASSWORD_FILE "
                 "(${PASSWORD_FILE}), then build again.")
  message(FATAL_ERROR "VRIXSetup.exe is not signed")
endif()
file(RENAME "${PROGRAM}.signed" "${PROGRAM}")
