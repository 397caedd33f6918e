# The file helpers of every suite that runs under Wine.
add_library(qs_wine_files STATIC tests/win32/wine_files.cpp)
target_link_libraries(qs_wine_files PUBLIC qs_win32)
qs_warnings(qs_wine_files)

include(${CMAKE_CURRENT_LIST_DIR}/components.cmake)

# The Win32 platform suite: the real win32_platform against real files, Wine's registry, the
# shell and COM. One executable and one add_test, so Wine starts once for the whole suite.
set(QS_WIN32_TESTS
  tests/win32/test_support.cpp tests/win32/files_test.cpp tests/win32/helpers_test.cpp
  tests/win32/registry_test.cpp tests/win32/shell_test.cpp tests/win32/locale_test.cpp
  tests/win32/md5_test.cpp tests/win32/dialogs_test.cpp)
add_executable(win32_tests ${QS_WIN32_TESTS})
target_link_libraries(win32_tests PRIVATE qs_win32 qs_wine_files GTest::gtest)
target_link_options(win32_tests PRIVATE ${QS_STATIC_LINK})
qs_warnings(win32_tests)
add_test(NAME win32_platform_suite COMMAND win32_tests)
set_tests_properties(win32_platform_suite PROPERTIES TIMEOUT 300)

# The program's import table: only DLLs that Windows takes from its system folder by name.
add_test(NAME program_imports
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/win32/imports_test.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:run_this_first>)
