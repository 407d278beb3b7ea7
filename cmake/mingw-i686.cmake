# 32-bit product: i686-w64-mingw32. The -posix compilers are used because the
# test framework needs their threading; the product links everything static,
# so it needs no libwinpthread or libstdc++ DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VRIX_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
