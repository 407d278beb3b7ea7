# Debian names the compilers <triple>-g++-posix; MSYS2 on Windows, for
# example, names them <triple>-g++ or plain g++.
find_program(VRIX_CXX NAMES ${VRIX_TRIPLE}-g++-posix ${VRIX_TRIPLE}-g++ g++ REQUIRED)
find_program(VRIX_CC NAMES ${VRIX_TRIPLE}-gcc-posix ${VRIX_TRIPLE}-gcc gcc REQUIRED)
find_program(VRIX_WINDRES NAMES ${VRIX_TRIPLE}-windres windres REQUIRED)
find_program(VRIX_OBJDUMP NAMES ${VRIX_TRIPLE}-objdump objdump)
set(CMAKE_C_COMPILER ${VRIX_CC})
set(CMAKE_CXX_COMPILER ${VRIX_CXX})
set(CMAKE_RC_COMPILER ${VRIX_WINDRES})
set(CMAKE_OBJDUMP ${VRIX_OBJDUMP} CACHE FILEPATH "")
# Cross-building on Linux, libraries and packages come from the mingw-w64
# tree only, never from the build machine's own.
if(CMAKE_HOST_SYSTEM_NAME STREQUAL "Linux")
  set(CMAKE_FIND_ROOT_PATH /usr/${VRIX_TRIPLE})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()
