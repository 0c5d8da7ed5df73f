# Cross-building the command line for 64-bit Windows with mingw-w64 (Debian's packages, the
# compilers with POSIX threads so that std::thread and std::mutex work). What it builds runs
# under Wine here:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKV_BUILD_GUI=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KV_MINGW_PREFIX}-windres)
set(CMAKE_AR ${KV_MINGW_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${KV_MINGW_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries come from the cross tree only. Packages and headers are looked for there and then on
# the host, where header-only packages (CLI11, nlohmann-json) keep their CMake files
# (/usr/share/cmake) and headers; compiled host packages keep theirs under lib/x86_64-linux-gnu,
# which a Windows build never searches. The host's /usr/include as a whole must not reach the
# cross compiler (its C library headers would shadow the Windows ones): cmake/HostHeaders.cmake
# hands a header-only package over through a folder that holds its headers alone.
set(CMAKE_FIND_ROOT_PATH /usr/${KV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# One executable that needs no DLL beside it: the C and C++ runtimes and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built for Windows run under Wine when CMake or CTest runs them (test discovery).
find_program(KV_WINE NAMES wine wine64)
if(KV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KV_WINE})
endif()
