# 32-bit test build: the release's toolchain with the posix thread model that
# GoogleTest needs (std::mutex), linked statically; run under the 32-bit Wine loader.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-win32.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
