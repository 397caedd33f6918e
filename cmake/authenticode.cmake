# Authenticode: given a code-signing certificate and its private key (PEM files), the program is
# signed with osslsigncode as soon as it is linked. Without them it stays unsigned.
set(AUTHENTICODE_CERT "" CACHE FILEPATH "PEM code-signing certificate (or chain) to sign run_this_first.exe with")
set(AUTHENTICODE_KEY "" CACHE FILEPATH "PEM private key of AUTHENTICODE_CERT, without a passphrase")
set(AUTHENTICODE_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamp server for the signature; empty: none")

set(QS_AUTHENTICODE OFF)
if(AUTHENTICODE_CERT OR AUTHENTICODE_KEY)
  if(NOT AUTHENTICODE_CERT OR NOT AUTHENTICODE_KEY)
    message(FATAL_ERROR "Authenticode signing needs both AUTHENTICODE_CERT and AUTHENTICODE_KEY "
                        "(given: cert '${AUTHENTICODE_CERT}', key '${AUTHENTICODE_KEY}')")
  endif()
  foreach(file AUTHENTICODE_CERT AUTHENTICODE_KEY)
    get_filename_component(QS_${file} "${${file}}" ABSOLUTE)
    if(NOT EXISTS "${QS_${file}}")
      message(FATAL_ERROR "${file}: no such file ${QS_${file}}")
    endif()
  endforeach()
  find_program(OSSLSIGNCODE osslsigncode)
  if(NOT OSSLSIGNCODE)
    message(FATAL_ERROR "Authenticode signing needs osslsigncode, which was not found "
                        "(Debian: apt-get install osslsigncode; MSYS2: pacman -S mingw-w64-x86_64-osslsigncode)")
  endif()
  set(QS_AUTHENTICODE ON)
  # A failed signature removes the exe, so that the next build links and signs it again.
  add_custom_command(TARGET run_this_first POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DOSSLSIGNCODE=${OSSLSIGNCODE} -DCERT=${QS_AUTHENTICODE_CERT} -DKEY=${QS_AUTHENTICODE_KEY}
            -DTIMESTAMP_URL=${AUTHENTICODE_TIMESTAMP_URL} -DPROGRAM=$<TARGET_FILE:run_this_first>
            -P ${CMAKE_SOURCE_DIR}/cmake/sign_program.cmake
    COMMENT "Signing run_this_first.exe with ${QS_AUTHENTICODE_CERT}"
    VERBATIM)
  set_property(TARGET run_this_first APPEND PROPERTY LINK_DEPENDS ${QS_AUTHENTICODE_CERT} ${QS_AUTHENTICODE_KEY}
                                                                ${CMAKE_SOURCE_DIR}/cmake/sign_program.cmake)
  message(STATUS "run_this_first.exe is signed with ${QS_AUTHENTICODE_CERT}")
endif()

# Turning signing on or off, or another certificate, links the program again, so that the exe in
# the tree is always what the cache says.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/authenticode.txt
     CONTENT "signed: ${QS_AUTHENTICODE} ${QS_AUTHENTICODE_CERT} ${QS_AUTHENTICODE_KEY} ${AUTHENTICODE_TIMESTAMP_URL}\n")
set_property(TARGET run_this_first APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/generated/authenticode.txt)
