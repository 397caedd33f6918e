# libFuzzer targets: one executable per tests/fuzz/*_fuzz.cpp, each linking the portable core and
# the fake platform. The core and the fake are instrumented for coverage and built with
# AddressSanitizer and UBSan in this tree, so a fault in them stops the fuzzer at once.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "QS_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
check_cxx_source_compiles([[extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }]]
                          QS_CLANG_HAS_LIBFUZZER)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(NOT QS_CLANG_HAS_LIBFUZZER)
  message(FATAL_ERROR "QS_FUZZ: ${CMAKE_CXX_COMPILER} cannot link -fsanitize=fuzzer; install clang's runtime "
                      "(Debian: libclang-rt-dev)")
endif()

set(QS_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
foreach(lib qs_core qs_fake)
  target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link ${QS_FUZZ_SANITIZERS})
endforeach()

file(GLOB QS_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
add_custom_target(fuzz_targets)
foreach(source ${QS_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/fuzz)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${QS_FUZZ_SANITIZERS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer ${QS_FUZZ_SANITIZERS})
  target_link_libraries(${name} PRIVATE qs_fake)
  qs_warnings(${name})
  add_dependencies(fuzz_targets ${name})
endforeach()
