# Cross toolchain for 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64).
# The "-posix" compilers use winpthreads, which gives std::thread and std::mutex;
# the "-win32" flavour has neither, so prefer the former when both exist.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELVORO_MINGW_TRIPLE x86_64-w64-mingw32)

find_program(ZELVORO_MINGW_CXX NAMES ${ZELVORO_MINGW_TRIPLE}-g++-posix ${ZELVORO_MINGW_TRIPLE}-g++ REQUIRED)
find_program(ZELVORO_MINGW_CC NAMES ${ZELVORO_MINGW_TRIPLE}-gcc-posix ${ZELVORO_MINGW_TRIPLE}-gcc REQUIRED)
find_program(ZELVORO_MINGW_RC NAMES ${ZELVORO_MINGW_TRIPLE}-windres)

set(CMAKE_CXX_COMPILER ${ZELVORO_MINGW_CXX})
set(CMAKE_C_COMPILER ${ZELVORO_MINGW_CC})
if(ZELVORO_MINGW_RC)
    set(CMAKE_RC_COMPILER ${ZELVORO_MINGW_RC})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${ZELVORO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no libstdc++/libgcc/winpthread DLLs to ship or to
# point Wine at.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets add_test() run the cross-built executables through Wine.
find_program(ZELVORO_WINE NAMES wine wine64)
if(ZELVORO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELVORO_WINE})
endif()

# A Qt for Windows passed as CMAKE_PREFIX_PATH lies outside the mingw sysroot;
# let the package search find it there.
if(CMAKE_PREFIX_PATH)
    list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
endif()
