# The Windows tree: the Win32 layer, the program itself and the test executables run through Wine.
enable_language(RC)
set(QS_STATIC_LINK -static -static-libgcc -static-libstdc++)
# The program ships on every medium and must stay small: each function and datum in a section of
# its own, so that the linker leaves out what nothing calls (-Wl,--gc-sections below), and -O2
# rather than -O3, whose unrolled copies buy nothing in a program that waits on disks and lines.
add_compile_options(-ffunction-sections -fdata-sections)
string(REPLACE "-O3" "-O2" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
set(QS_SMALL_PROGRAM -s -Wl,--gc-sections)
set(QS_WIN_LIBS ws2_32 windowscodecs ole32 oleaut32 uuid shell32 shlwapi comctl32 comdlg32 gdi32 user32 advapi32 kernel32)

file(GLOB QS_WIN32_SOURCES CONFIGURE_DEPENDS
  platform/win32/*.cpp basics/win32/*.cpp browseforfolderunit/win32/*.cpp
  setup_main/win32/*.cpp licence_agreement/win32/*.cpp)
add_library(qs_win32 STATIC ${QS_WIN32_SOURCES})
target_link_libraries(qs_win32 PUBLIC qs_core ${QS_WIN_LIBS})
target_compile_definitions(qs_win32 PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
qs_warnings(qs_win32)
# The Windows headers as every program of ours includes them, for the small test and benchmark
# programs that call Win32 directly, without the platform layer.
add_library(qs_windows_headers INTERFACE)
target_compile_definitions(qs_windows_headers INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

# The program's version is the project's: the version resource and the manifest are made from it.
include(cmake/program_version.cmake)
file(GLOB QS_EXE_SOURCES CONFIGURE_DEPENDS run_this_first/*.cpp run_this_first/*.rc)
add_executable(run_this_first WIN32 ${QS_EXE_SOURCES})
set_source_files_properties(run_this_first/run_this_first.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/resources/main_window.jpg;${CMAKE_SOURCE_DIR}/resources/licence.jpg;${QS_PROGRAM_VERSION_FILES}")
target_link_libraries(run_this_first PRIVATE qs_win32)
target_link_options(run_this_first PRIVATE ${QS_STATIC_LINK} -municode ${QS_SMALL_PROGRAM})
qs_warnings(run_this_first)
include(cmake/authenticode.cmake)

# The maker's publishing tool as a Windows console program, over the Win32 platform.
add_executable(publish_file_list tools/publish_file_list/publish_file_list.cpp)
target_link_libraries(publish_file_list PRIVATE qs_win32)
target_link_options(publish_file_list PRIVATE ${QS_STATIC_LINK} -municode ${QS_SMALL_PROGRAM})
qs_warnings(publish_file_list)

# The portable suite again, as a Windows program: the same tests against the fake, compiled by mingw.
file(GLOB QS_NATIVE_TESTS CONFIGURE_DEPENDS tests/native/*.cpp)
add_executable(native_tests_exe ${QS_NATIVE_TESTS})
target_link_libraries(native_tests_exe PRIVATE qs_fake GTest::gtest GTest::gtest_main)
target_link_options(native_tests_exe PRIVATE ${QS_STATIC_LINK})
qs_warnings(native_tests_exe)
add_test(NAME portable_suite_under_wine COMMAND native_tests_exe)

# The suites that change the registry, start a local FTP server with /usr/bin/python3 and drive
# the GUI on Xvfb are written for Wine's throw-away prefix; on Windows itself they are left out.
option(QS_WINE_SUITES "add the test suites that run under Wine on Linux" ${CMAKE_CROSSCOMPILING})
if(QS_WINE_SUITES)
  include(tests/win32/tests.cmake OPTIONAL)
  include(tests/gui/tests.cmake OPTIONAL)
  include(tests/ftp/tests.cmake OPTIONAL)
  include(tests/http/tests.cmake OPTIONAL)
endif()
# The tests' own code, and GoogleTest where it is built here, is compiled without optimisation:
# it runs for seconds, and -O2 on its assertion macros took two thirds of this tree's build time.
# The program's code that the tests run is the shipped code, -O2, from the libraries they link.
file(GLOB_RECURSE QS_TEST_CODE CONFIGURE_DEPENDS tests/*.cpp)
set_source_files_properties(${QS_TEST_CODE} PROPERTIES COMPILE_OPTIONS -O0)
foreach(target gtest gtest_main)
  if(TARGET ${target})
    get_target_property(imported ${target} IMPORTED)
    if(NOT imported)
      target_compile_options(${target} PRIVATE -O0)
    endif()
  endif()
endforeach()
include(tests/win32/release_checks.cmake)
include(bench/bench.cmake OPTIONAL)
