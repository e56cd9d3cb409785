# Cross-builds the Windows programs with Debian's MinGW-w64 (the POSIX thread model, for
# std::thread and std::mutex), statically linked so each .exe runs without the compiler's DLLs.
# Tests and build-time tools run under Wine through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LMX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LMX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LMX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LMX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LMX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run)
