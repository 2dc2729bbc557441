# What both mingw-w64 toolchain files share; they set CMAKE_SYSTEM_PROCESSOR and
# TRELK_MINGW_TRIPLE before including it.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks in GCC 12.
# The program is linked -static, so no winpthread DLL is needed at run time.
set(CMAKE_C_COMPILER ${TRELK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TRELK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TRELK_MINGW_TRIPLE}-windres)

# Headers and libraries come from the mingw sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TRELK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest and try_run start the programs under Wine, in the prefix named by WINEPREFIX.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
