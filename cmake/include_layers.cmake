# The folders form layers, and a file may include only from its own layer and the ones below:
#
#   run_this_first/  licence_agreement/      the program and its windows
#   setup_main/                              the main window's logic and its tasks
#     setup_main/update/                     the Internet update, which the window and the command
#                                            line both call: it knows neither the window nor its page
#   basics/  browseforfolderunit/            the shared unit
#   platform/                                the one interface to the operating system
#
# Included from CMakeLists.txt, this file adds the ctest that checks it; run with
# `cmake -DQS_SOURCE_DIR=... -P`, it scans every #include of the product's folders and names each
# file and line that reaches upwards (or leaves its folder with "../").

if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_test(NAME include_layers
           COMMAND ${CMAKE_COMMAND} -DQS_SOURCE_DIR=${CMAKE_SOURCE_DIR} -P ${CMAKE_CURRENT_LIST_FILE})
  return()
endif()
cmake_minimum_required(VERSION 3.20)

set(QS_ABOVE_ANY tools tests bench)
set(QS_ABOVE_platform basics browseforfolderunit setup_main licence_agreement run_this_first)
set(QS_ABOVE_basics setup_main licence_agreement run_this_first)
set(QS_ABOVE_browseforfolderunit setup_main licence_agreement run_this_first)
set(QS_ABOVE_setup_main licence_agreement run_this_first)
set(QS_ABOVE_licence_agreement setup_main run_this_first)
set(QS_ABOVE_run_this_first)
set(QS_LAYERS platform basics browseforfolderunit setup_main licence_agreement run_this_first)
# Within a layer, a unit that must not reach its callers: its folder, and the paths it may not include.
set(QS_UNIT_FOLDERS setup_main/update)
set(QS_NOT_IN_setup_main/update setup_main/setup_main_page.h setup_main/main_window_view.h setup_main/win32/)

set(offences 0)
foreach(layer IN LISTS QS_LAYERS)
  set(forbidden ${QS_ABOVE_${layer}} ${QS_ABOVE_ANY})
  file(GLOB_RECURSE sources RELATIVE ${QS_SOURCE_DIR}
       ${QS_SOURCE_DIR}/${layer}/*.h ${QS_SOURCE_DIR}/${layer}/*.cpp ${QS_SOURCE_DIR}/${layer}/*.in
       ${QS_SOURCE_DIR}/${layer}/*.rc)
  foreach(source IN LISTS sources)
    file(STRINGS ${QS_SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" included "${line}")
      string(REGEX REPLACE "/.*$" "" top "${included}")
      set(wrong "")
      if(included MATCHES "(^|/)\\.\\./")
        set(wrong "leaves its folder")
      elseif(top IN_LIST forbidden)
        set(wrong "lies in a layer above ${layer}/")
      endif()
      foreach(unit IN LISTS QS_UNIT_FOLDERS)
        if(source MATCHES "^${unit}/")
          foreach(caller IN LISTS QS_NOT_IN_${unit})
            string(FIND "${included}" "${caller}" at)
            if(at EQUAL 0)
              set(wrong "belongs to a caller of ${unit}/")
            endif()
          endforeach()
        endif()
      endforeach()
      if(wrong)
        file(READ ${QS_SOURCE_DIR}/${source} text)
        string(FIND "${text}" "${line}" at)
        string(SUBSTRING "${text}" 0 ${at} before)
        string(REGEX MATCHALL "\n" breaks "${before}")
        list(LENGTH breaks number)
        math(EXPR number "${number} + 1")
        message("${source}:${number}: includes ${included}, which ${wrong}")
        math(EXPR offences "${offences} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(offences GREATER 0)
  message(FATAL_ERROR "${offences} include(s) against the layers")
endif()
