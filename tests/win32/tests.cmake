# The file helpers of every suite that runs under Wine, and the holder: another process that
# holds a file or a named lock for a test.
add_executable(qs_hold_file tests/win32/hold_file.cpp)
target_include_directories(qs_hold_file PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(qs_hold_file PRIVATE qs_win32)
target_link_options(qs_hold_file PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(qs_hold_file)
add_library(qs_wine_files STATIC tests/win32/wine_files.cpp tests/win32/holder_process.cpp)
target_link_libraries(qs_wine_files PUBLIC qs_win32)
target_compile_definitions(qs_wine_files PRIVATE QS_HOLD_FILE_EXE="$<TARGET_FILE:qs_hold_file>")
add_dependencies(qs_wine_files qs_hold_file)
qs_warnings(qs_wine_files)

include(${CMAKE_CURRENT_LIST_DIR}/components.cmake)

# The Win32 platform suite: the real win32_platform against real files, Wine's registry, the
# shell and COM. One executable and one add_test, so Wine starts once for the whole suite.
set(QS_WIN32_TESTS
  tests/win32/test_support.cpp tests/win32/files_test.cpp tests/win32/helpers_test.cpp
  tests/win32/registry_test.cpp tests/win32/shell_test.cpp tests/win32/locale_test.cpp
  tests/win32/md5_test.cpp tests/win32/dialogs_test.cpp tests/win32/in_use_test.cpp
  tests/win32/processes_test.cpp)
add_executable(win32_tests ${QS_WIN32_TESTS})
target_link_libraries(win32_tests PRIVATE qs_win32 qs_wine_files GTest::gtest)
target_link_options(win32_tests PRIVATE ${QS_STATIC_LINK})
qs_warnings(win32_tests)
add_test(NAME win32_platform_suite COMMAND win32_tests)
set_tests_properties(win32_platform_suite PROPERTIES TIMEOUT 300)

# The program's import table: only DLLs that Windows takes from its system folder by name.
add_test(NAME program_imports
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/win32/imports_test.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:run_this_first>)
