# Cross build for 64-bit Windows with MinGW-w64's posix-threads compilers (Debian package
# g++-mingw-w64-x86-64-posix). std::thread and std::mutex need the posix flavour; the win32 one
# has neither. Programs link statically, so they need no DLLs beside them; ctest runs them
# under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(UPSCONFIG_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${UPSCONFIG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${UPSCONFIG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${UPSCONFIG_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${UPSCONFIG_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

find_program(UPSCONFIG_WINE wine)
if(UPSCONFIG_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${UPSCONFIG_WINE})
endif()
