# Cross toolchain: Debian's mingw-w64 posix compilers for i686 Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KVR_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${KVR_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVR_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KVR_TRIPLE}-windres)
set(KVR_WIDL ${KVR_TRIPLE}-widl)
set(KVR_OBJDUMP ${KVR_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KVR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# 32-bit code cannot run on these machines: no emulator, the build is checked statically.
