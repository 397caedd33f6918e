# The registration and shortcut suite under Wine: the real tasks with the real Win32 platform
# (registry, ShellExecuteW, regsvr32, shell links), plus a test ActiveX control and a test OLE
# server of our own for regsvr32 and "/regserver" to start. Everything lands in one folder of
# its own, which the suite uses as the running program's folder.
set(QS_COMPONENTS_DIR ${CMAKE_BINARY_DIR}/components)

add_library(registration_test_control SHARED tests/win32/registration_test_control.cpp)
target_include_directories(registration_test_control PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(registration_test_control PRIVATE qs_windows_headers)
target_link_options(registration_test_control PRIVATE ${QS_STATIC_LINK})
set_target_properties(registration_test_control PROPERTIES PREFIX "" OUTPUT_NAME "qs_test_control" SUFFIX ".ocx"
  RUNTIME_OUTPUT_DIRECTORY ${QS_COMPONENTS_DIR} LIBRARY_OUTPUT_DIRECTORY ${QS_COMPONENTS_DIR})
qs_warnings(registration_test_control)

add_executable(registration_test_server WIN32 tests/win32/registration_test_server.cpp)
target_include_directories(registration_test_server PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(registration_test_server PRIVATE qs_windows_headers)
target_link_options(registration_test_server PRIVATE ${QS_STATIC_LINK} -municode)
set_target_properties(registration_test_server PROPERTIES OUTPUT_NAME "qs_test_server"
  RUNTIME_OUTPUT_DIRECTORY ${QS_COMPONENTS_DIR})
qs_warnings(registration_test_server)

file(GLOB QS_COMPONENTS_TESTS CONFIGURE_DEPENDS tests/win32/registration_*_test.cpp tests/win32/shortcuts_*_test.cpp
  tests/win32/registration_support.cpp)
add_executable(components_tests ${QS_COMPONENTS_TESTS})
target_link_libraries(components_tests PRIVATE qs_win32 qs_wine_files GTest::gtest GTest::gtest_main)
target_link_options(components_tests PRIVATE ${QS_STATIC_LINK})
set_target_properties(components_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QS_COMPONENTS_DIR})
add_dependencies(components_tests registration_test_control registration_test_server)
qs_warnings(components_tests)
add_test(NAME components_under_wine COMMAND components_tests)
set_tests_properties(components_under_wine PROPERTIES TIMEOUT 300)
