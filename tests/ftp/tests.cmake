# The FTP suite: the Internet update with the real Win32 platform against the local update
# server (tests/ftp/update_server.py, started by the tests through /usr/bin/python3).
file(GLOB QS_FTP_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/ftp/*.cpp)
add_executable(ftp_tests ${QS_FTP_TESTS})
target_link_libraries(ftp_tests PRIVATE qs_win32 qs_wine_files qs_fake GTest::gtest GTest::gtest_main)
target_link_options(ftp_tests PRIVATE ${QS_STATIC_LINK})
target_compile_definitions(ftp_tests PRIVATE QS_SOURCE_DIR_UNIX="${CMAKE_SOURCE_DIR}" QS_BINARY_DIR_UNIX="${CMAKE_BINARY_DIR}")
qs_warnings(ftp_tests)
# Key pairs for the signed-update tests, made by openssl for this build tree alone: the maker's,
# whose public half the tests give the program, and a stranger's.
set(QS_TEST_KEYS ${CMAKE_BINARY_DIR}/test_keys)
find_program(QS_OPENSSL openssl REQUIRED)
foreach(who maker stranger)
  if(NOT EXISTS ${QS_TEST_KEYS}/${who}_pub.pem)
    file(MAKE_DIRECTORY ${QS_TEST_KEYS})
    execute_process(COMMAND ${QS_OPENSSL} ecparam -name prime256v1 -genkey -noout -out ${QS_TEST_KEYS}/${who}_key.pem
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${QS_OPENSSL} ec -in ${QS_TEST_KEYS}/${who}_key.pem -pubout -out ${QS_TEST_KEYS}/${who}_pub.pem
                    COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET ERROR_QUIET)
  endif()
endforeach()
qs_p256_public_key_bytes(${QS_TEST_KEYS}/maker_pub.pem QS_TEST_MAKER_KEY_BYTES)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated_tests/test_signing_keys.h CONTENT [=[
#pragma once
// Made when the build tree was configured (tests/ftp/tests.cmake); the private keys stay in it.
#include "platform/ecdsa_signature.h"
namespace qs::test_keys {
inline constexpr ecdsa_p256_public_key maker_public = {@QS_TEST_MAKER_KEY_BYTES@};
inline constexpr const char* maker_private = "@QS_TEST_KEYS@/maker_key.pem";
inline constexpr const char* stranger_private = "@QS_TEST_KEYS@/stranger_key.pem";
}
]=] @ONLY)
target_include_directories(ftp_tests PRIVATE ${CMAKE_BINARY_DIR}/generated_tests)
add_test(NAME ftp_suite_under_wine COMMAND ftp_tests)
set_tests_properties(ftp_suite_under_wine PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)

# The GUI suite runs "Internet update" in the real program against the same server.
if(TARGET gui_tests)
  target_sources(gui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/ftp/update_server_process.cpp)
  target_link_libraries(gui_tests PRIVATE qs_fake)
  target_compile_definitions(gui_tests PRIVATE QS_SOURCE_DIR_UNIX="${CMAKE_SOURCE_DIR}" QS_BINARY_DIR_UNIX="${CMAKE_BINARY_DIR}")
endif()
