# Benchmark programs (not built by default, not part of the tests): bench/run.sh builds them.
add_executable(update_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/update_bench.cpp)
target_link_libraries(update_bench PRIVATE qs_win32 qs_fake)
target_link_options(update_bench PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(update_bench)

# Start-up time of the program until its licence window shows, and of a bare window program.
add_executable(startup_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/startup_bench.cpp)
target_include_directories(startup_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(startup_bench PRIVATE qs_windows_headers)
target_link_options(startup_bench PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(startup_bench)
add_executable(startup_peer WIN32 EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/startup_peer.cpp)
target_link_libraries(startup_peer PRIVATE qs_windows_headers)
target_link_options(startup_peer PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(startup_peer)

# How soon the program's main window answers during an Internet update: drives the program with
# the GUI driver, so it is there only where the GUI suite is.
if(TARGET qs_gui_driver)
  add_executable(window_probe EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/window_probe.cpp)
  target_link_libraries(window_probe PRIVATE qs_gui_driver)
  target_link_options(window_probe PRIVATE ${QS_STATIC_LINK} -municode)
  qs_warnings(window_probe)
endif()
