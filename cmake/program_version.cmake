# The program's version in the four parts Windows uses, from project(... VERSION ...): for the
# version resource (binary and text) and for the manifest's assemblyIdentity.
set(QS_VERSION_PARTS)
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${run_this_first_VERSION_${part}}" STREQUAL "")
    list(APPEND QS_VERSION_PARTS 0)
  else()
    list(APPEND QS_VERSION_PARTS ${run_this_first_VERSION_${part}})
  endif()
endforeach()
list(JOIN QS_VERSION_PARTS "." QS_VERSION_TEXT)
list(JOIN QS_VERSION_PARTS "," QS_VERSION_BINARY)

set(QS_GENERATED_MANIFEST ${CMAKE_BINARY_DIR}/generated/run_this_first.manifest)
configure_file(resources/run_this_first.manifest ${QS_GENERATED_MANIFEST} @ONLY)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/program_version.h CONTENT [=[
#pragma once
// Made from the project's version by cmake/program_version.cmake; read by the resource compiler.
#define QS_VERSION_BINARY @QS_VERSION_BINARY@
#define QS_VERSION_TEXT "@QS_VERSION_TEXT@"
#define QS_MANIFEST_FILE "@QS_GENERATED_MANIFEST@"
]=] @ONLY)
set(QS_PROGRAM_VERSION_FILES ${QS_GENERATED_MANIFEST} ${CMAKE_BINARY_DIR}/generated/program_version.h)
