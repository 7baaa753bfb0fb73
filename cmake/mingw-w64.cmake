# Cross-building for 64-bit Windows with Debian's mingw-w64. The -posix compilers
# carry std::thread and std::mutex; the -win32 ones do not.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DS_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DS_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DS_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DS_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DS_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The programs run on a bare Windows: no libstdc++, libgcc or winpthread DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# CTest and gtest discovery run the .exe files under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
