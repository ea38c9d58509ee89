# mingw-w64-x86_64.cmake - cross-builds the Windows executables on Debian.
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The compilers are called by their -posix names: the -win32 thread model has
# no std::thread, and installing it silently switches the unsuffixed names.
# Everything links statically, so the executables import only Windows' own
# DLLs. Test programs run under Wine through scripts/wine-run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FM_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${FM_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
