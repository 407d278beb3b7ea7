# clang and lld building for ${VRIX_TRIPLE} against the mingw-w64 headers,
# libraries and GCC runtime that the GCC toolchain uses: a second compiler
# for the same program.
find_program(VRIX_CLANG NAMES clang clang-14 REQUIRED)
find_program(VRIX_CLANGXX NAMES clang++ clang++-14 REQUIRED)
find_program(VRIX_WINDRES NAMES ${VRIX_TRIPLE}-windres windres REQUIRED)
find_program(VRIX_OBJDUMP NAMES ${VRIX_TRIPLE}-objdump objdump)
set(CMAKE_C_COMPILER ${VRIX_CLANG})
set(CMAKE_CXX_COMPILER ${VRIX_CLANGXX})
set(CMAKE_C_COMPILER_TARGET ${VRIX_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${VRIX_TRIPLE})
set(CMAKE_RC_COMPILER ${VRIX_WINDRES})
set(CMAKE_OBJDUMP ${VRIX_OBJDUMP} CACHE FILEPATH "")

# clang looks for GCC's folder under a version number; Debian names it
# 12-posix. A sysroot of links makes it reachable as 12 (else clang
# falls back to the build machine's own C++ headers).
file(GLOB vrix_gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${VRIX_TRIPLE}/*-posix)
if(vrix_gcc_dirs)
  list(GET vrix_gcc_dirs 0 vrix_gcc_dir)
  get_filename_component(vrix_gcc_version "${vrix_gcc_dir}" NAME)
  string(REGEX REPLACE "-posix$" "" vrix_gcc_version "${vrix_gcc_version}")
  cmake_path(SET vrix_sysroot NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../build/clang-sysroot/${VRIX_TRIPLE}")
  file(MAKE_DIRECTORY "${vrix_sysroot}/lib/gcc/${VRIX_TRIPLE}")
  file(CREATE_LINK "/usr/${VRIX_TRIPLE}" "${vrix_sysroot}/${VRIX_TRIPLE}" SYMBOLIC)
  file(CREATE_LINK "${vrix_gcc_dir}" "${vrix_sysroot}/lib/gcc/${VRIX_TRIPLE}/${vrix_gcc_version}" SYMBOLIC)
  set(CMAKE_SYSROOT "${vrix_sysroot}")
endif()

# Thread-local data as GCC's libstdc++ keeps it; lld links.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT "-femulated-tls")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-find-root.cmake)
