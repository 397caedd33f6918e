# GoogleTest as GTest::gtest and GTest::gtest_main, in every tree. An installed package comes
# first (Debian's libgtest-dev natively, MSYS2's mingw-w64-x86_64-gtest on Windows); otherwise
# GoogleTest is built from its sources with the tree's own compilers. The cross build finds no
# package: its toolchain file keeps package searches inside the mingw sysroot, so the Linux
# host's GoogleTest, built for another system, is never taken.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
    "GoogleTest sources, built with the tree when no GTest package is installed")

find_package(GTest CONFIG QUIET)
if(NOT GTest_FOUND)
  find_package(GTest QUIET)
endif()

if(GTest_FOUND)
  message(STATUS "GoogleTest: the installed package (${GTest_DIR}${GTEST_INCLUDE_DIRS})")
else()
  if(NOT EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest: no GTest package found, and no sources in GOOGLETEST_SOURCE_DIR "
                        "(${GOOGLETEST_SOURCE_DIR}); install GoogleTest or set GOOGLETEST_SOURCE_DIR")
  endif()
  message(STATUS "GoogleTest: built from ${GOOGLETEST_SOURCE_DIR}")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(target gtest gtest_main)
    if(NOT TARGET GTest::${target})
      add_library(GTest::${target} ALIAS ${target})
    endif()
  endforeach()
endif()
