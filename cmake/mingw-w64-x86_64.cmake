# Cross build for 64-bit Windows with Debian's mingw-w64 toolchain (posix thread model, which
# std::thread and std::mutex need):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SC_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SC_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SC_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SC_MINGW_TRIPLET}-windres)
# Libraries and headers come from the toolchain's own tree only, never from the build machine's
# /usr/include (whose glibc headers would shadow the Windows ones); programs run here.
set(CMAKE_FIND_ROOT_PATH /usr/${SC_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
