# The GUI suite: the real program under Wine and Xvfb, driven by a small Win32 driver.
# The driver and the test medium are a library of their own, for the GUI tests of every task.
add_library(qs_gui_driver STATIC tests/gui/driver.cpp tests/gui/medium.cpp)
target_include_directories(qs_gui_driver PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(qs_gui_driver PUBLIC UNICODE _UNICODE NOMINMAX
                           PRIVATE QS_PROGRAM_EXE="$<TARGET_FILE:run_this_first>")
target_link_libraries(qs_gui_driver PUBLIC qs_wine_files user32 kernel32)
qs_warnings(qs_gui_driver)

file(GLOB QS_GUI_TESTS CONFIGURE_DEPENDS tests/gui/*_test.cpp)
add_executable(gui_tests ${QS_GUI_TESTS})
target_link_libraries(gui_tests PRIVATE qs_gui_driver qs_win32 GTest::gtest GTest::gtest_main comctl32)
target_link_options(gui_tests PRIVATE ${QS_STATIC_LINK})
qs_warnings(gui_tests)
add_dependencies(gui_tests run_this_first)
# Watched: a run that Wine holds silent is shown with its backtraces and run once more.
add_test(NAME gui_suite COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/watched_run.sh $<TARGET_FILE:gui_tests>
                                --gtest_filter=-HighDpi.*)
set_tests_properties(gui_suite PROPERTIES TIMEOUT 600)
# The watcher on a run that holds still once: caught, its backtrace named, ended, passed when run again.
add_test(NAME gui_stall_watch COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gui/stall_watch_test.sh $<TARGET_FILE:gui_tests>)
set_tests_properties(gui_stall_watch PROPERTIES TIMEOUT 180)
# The windows on a 144-DPI screen, in a Wine prefix of their own: the setting can reach no other test.
add_test(NAME gui_high_dpi COMMAND bash ${CMAKE_SOURCE_DIR}/tests/gui/high_dpi.sh ${CMAKE_BINARY_DIR}/high_dpi
                                   $<TARGET_FILE:gui_tests>)
set_tests_properties(gui_high_dpi PROPERTIES TIMEOUT 300)

# The demo's driver: plays the session script of scripts/demo.sh on the real program, step by step.
add_executable(demo_driver tests/gui/demo/demo_driver.cpp)
target_link_libraries(demo_driver PRIVATE qs_gui_driver)
target_link_options(demo_driver PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(demo_driver)

# The install and uninstall under Wine register the test OLE server and ActiveX control of the
# components suite.
target_compile_definitions(gui_tests PRIVATE QS_TEST_SERVER="$<TARGET_FILE:registration_test_server>"
                                             QS_TEST_CONTROL="$<TARGET_FILE:registration_test_control>")
add_dependencies(gui_tests registration_test_server registration_test_control)
