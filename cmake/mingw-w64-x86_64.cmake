# Cross-compiles the native Windows variant with mingw-w64 (x86_64, posix thread model, so that
# std::thread and std::mutex work). The C and C++ runtimes and winpthreads are linked statically:
# kestrelon.exe then needs only the DLLs every Windows system has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTRELON_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRELON_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRELON_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRELON_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRELON_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run under wine, through a script that starts a program again when wine failed
# to start it at all (tests/wine/run_program.sh says when that counts as such).
find_program(KESTRELON_WINE NAMES wine wine64)
if(KESTRELON_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        bash ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/run_program.sh ${KESTRELON_WINE})
endif()
