# The FTP suite: the Internet update with the real Win32 platform against the local update
# server (tests/ftp/update_server.py, started by the tests through /usr/bin/python3).
file(GLOB QS_FTP_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/ftp/*.cpp)
add_executable(ftp_tests ${QS_FTP_TESTS})
target_link_libraries(ftp_tests PRIVATE qs_win32 qs_fake gtest gtest_main)
target_link_options(ftp_tests PRIVATE ${QS_STATIC_LINK})
target_compile_definitions(ftp_tests PRIVATE QS_SOURCE_DIR_UNIX="${CMAKE_SOURCE_DIR}" QS_BINARY_DIR_UNIX="${CMAKE_BINARY_DIR}")
qs_warnings(ftp_tests)
add_test(NAME ftp_suite_under_wine COMMAND ftp_tests)
set_tests_properties(ftp_suite_under_wine PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)
