include(${CMAKE_CURRENT_LIST_DIR}/components.cmake)
