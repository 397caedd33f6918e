# Benchmark programs (not built by default, not part of the tests): bench/run.sh builds them.
add_executable(update_bench EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/update_bench.cpp)
target_link_libraries(update_bench PRIVATE qs_win32 qs_fake)
target_link_options(update_bench PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(update_bench)
