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
include(${CMAKE_CURRENT_LIST_DIR}/mingw-find-root.cmake)
