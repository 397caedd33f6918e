# The GUI suite: the real program under Wine and Xvfb, driven by a small Win32 driver program.
file(GLOB QS_GUI_TESTS CONFIGURE_DEPENDS tests/gui/*.cpp)
add_executable(gui_tests ${QS_GUI_TESTS})
target_link_libraries(gui_tests PRIVATE qs_win32 gtest gtest_main comctl32)
target_compile_definitions(gui_tests PRIVATE UNICODE _UNICODE NOMINMAX QS_PROGRAM_EXE="$<TARGET_FILE:run_this_first>")
target_link_options(gui_tests PRIVATE ${QS_STATIC_LINK})
qs_warnings(gui_tests)
add_dependencies(gui_tests run_this_first)
add_test(NAME gui_suite COMMAND gui_tests)
set_tests_properties(gui_suite PROPERTIES TIMEOUT 600)

# The demo's driver: clicks through the licence window between the demo's screenshots.
add_executable(demo_driver tests/gui/demo/demo_driver.cpp tests/gui/driver.cpp)
target_compile_definitions(demo_driver PRIVATE UNICODE _UNICODE NOMINMAX)
target_include_directories(demo_driver PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(demo_driver PRIVATE user32 kernel32)
target_link_options(demo_driver PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(demo_driver)
