# The maker's public key, from a PEM file to the 64 bytes X||Y that the program compiles in.
# openssl writes the key as a DER SubjectPublicKeyInfo; for a P-256 key that is always the same
# 27-byte header (id-ecPublicKey, prime256v1, an uncompressed point) and then X and Y.
set(QS_P256_SPKI_HEADER "3059301306072a8648ce3d020106082a8648ce3d03010703420004")

# Sets out_var to "0x..,0x.." (64 bytes) of the P-256 public key in pem_file; stops the
# configuration when the file holds anything else.
function(qs_p256_public_key_bytes pem_file out_var)
  find_program(QS_OPENSSL openssl REQUIRED)
  if(NOT EXISTS "${pem_file}")
    message(FATAL_ERROR "Signing key ${pem_file}: no such file")
  endif()
  set(der_file ${CMAKE_BINARY_DIR}/signing_key.der)
  execute_process(COMMAND ${QS_OPENSSL} pkey -pubin -in ${pem_file} -outform DER -out ${der_file}
                  RESULT_VARIABLE failed ERROR_VARIABLE why OUTPUT_QUIET)
  if(failed)
    message(FATAL_ERROR "Signing key ${pem_file} is no PEM public key (openssl pkey -pubin: ${why})")
  endif()
  file(READ ${der_file} hex HEX)
  file(REMOVE ${der_file})
  string(LENGTH "${hex}" hex_length)
  string(LENGTH "${QS_P256_SPKI_HEADER}" header_length)
  math(EXPR expected_length "${header_length} + 128")
  if(NOT hex_length EQUAL expected_length)
    message(FATAL_ERROR "Signing key ${pem_file} is not an ECDSA P-256 (prime256v1) public key")
  endif()
  string(SUBSTRING "${hex}" 0 ${header_length} header)
  if(NOT header STREQUAL QS_P256_SPKI_HEADER)
    message(FATAL_ERROR "Signing key ${pem_file} is not an ECDSA P-256 (prime256v1) public key")
  endif()
  string(SUBSTRING "${hex}" ${header_length} 128 xy)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${xy}")
  string(REGEX REPLACE ",$" "" bytes "${bytes}")
  set(${out_var} "${bytes}" PARENT_SCOPE)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pem_file})
endfunction()
