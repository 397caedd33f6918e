# The HTTPS suite: the Internet update with the real Win32 platform (WinHTTP) against nginx and
# tinyproxy on loopback ports of their own, started by the tests (tests/http/web_servers.sh), with
# a test CA made by openssl at test time and trusted in the test prefix only (trust_test_ca.exe).
set(QS_TEST_HTTPS_PORT 2422 CACHE STRING "test nginx: HTTPS")
set(QS_TEST_HTTP_PORT 2423 CACHE STRING "test nginx: HTTP")
set(QS_TEST_NORANGE_PORT 2424 CACHE STRING "test nginx: HTTP that ignores Range")
set(QS_TEST_WRONG_NAME_PORT 2425 CACHE STRING "test nginx: HTTPS with a certificate for another name")
set(QS_TEST_PROXY_PORT 2426 CACHE STRING "test tinyproxy")
set(QS_TEST_AUTH_PROXY_PORT 2427 CACHE STRING "test tinyproxy asking for Basic credentials")
set(QS_TEST_CLOSED_PORT 2428 CACHE STRING "a loopback port nothing listens on")
add_executable(trust_test_ca tests/http/trust_test_ca.cpp)
target_link_libraries(trust_test_ca PRIVATE crypt32)
target_link_options(trust_test_ca PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(trust_test_ca)
add_executable(http_tests tests/http/internet_update_https_test.cpp tests/ftp/update_server_process.cpp)
target_link_libraries(http_tests PRIVATE qs_win32 qs_wine_files qs_fake GTest::gtest GTest::gtest_main)
target_link_options(http_tests PRIVATE ${QS_STATIC_LINK})
target_compile_definitions(http_tests PRIVATE QS_SOURCE_DIR_UNIX="${CMAKE_SOURCE_DIR}" QS_BINARY_DIR_UNIX="${CMAKE_BINARY_DIR}"
  QS_TRUST_TEST_CA_EXE="$<TARGET_FILE:trust_test_ca>"
  QS_TEST_HTTPS_PORT=${QS_TEST_HTTPS_PORT} QS_TEST_HTTP_PORT=${QS_TEST_HTTP_PORT} QS_TEST_NORANGE_PORT=${QS_TEST_NORANGE_PORT}
  QS_TEST_WRONG_NAME_PORT=${QS_TEST_WRONG_NAME_PORT} QS_TEST_PROXY_PORT=${QS_TEST_PROXY_PORT}
  QS_TEST_AUTH_PROXY_PORT=${QS_TEST_AUTH_PROXY_PORT} QS_TEST_CLOSED_PORT=${QS_TEST_CLOSED_PORT})
target_include_directories(http_tests PRIVATE ${CMAKE_BINARY_DIR}/generated_tests)
add_dependencies(http_tests trust_test_ca)
qs_warnings(http_tests)
add_test(NAME http_suite_under_wine COMMAND http_tests)
set_tests_properties(http_suite_under_wine PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
