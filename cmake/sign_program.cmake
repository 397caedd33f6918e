# Signs PROGRAM with osslsigncode into a new file, then puts it in the program's place, executable
# as the linker left it. Run by the build: cmake -DOSSLSIGNCODE=... -DCERT=... -DKEY=...
# [-DTIMESTAMP_URL=...] -DPROGRAM=... -P sign_program.cmake
set(signed "${PROGRAM}.signed")
file(REMOVE "${signed}")
set(timestamp)
if(TIMESTAMP_URL)
  set(timestamp -ts "${TIMESTAMP_URL}")
endif()
execute_process(COMMAND "${OSSLSIGNCODE}" sign -certs "${CERT}" -key "${KEY}" -h sha256 -n "Korvex quick setup"
                        ${timestamp} -in "${PROGRAM}" -out "${signed}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(failed)
  file(REMOVE "${signed}" "${PROGRAM}")
  message(FATAL_ERROR "osslsigncode could not sign ${PROGRAM}:\n${output}")
endif()
file(CHMOD "${signed}" FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                        WORLD_READ WORLD_EXECUTE)
file(RENAME "${signed}" "${PROGRAM}")
