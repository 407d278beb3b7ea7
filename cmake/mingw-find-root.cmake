# Cross-building on Linux, libraries and packages come from the mingw-w64
# tree only, never from the build machine's own. Included by the toolchain
# files after they set VRIX_TRIPLE.
if(CMAKE_HOST_SYSTEM_NAME STREQUAL "Linux")
  set(CMAKE_FIND_ROOT_PATH /usr/${VRIX_TRIPLE})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()
