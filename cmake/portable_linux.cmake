# portable_linux.cmake - the Linux release build: programs that run on a fresh
# x86-64 Linux desktop without installing anything.
#
#   cmake -S . -B build-portable -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DFROSTMERE_PORTABLE=ON -DFROSTMERE_TESTS=OFF -DFROSTMERE_BENCH=OFF
#
# Included by the top CMakeLists.txt after the pkg-config look-ups. Every
# library Debian ships as a static archive goes into the executable: SDL2,
# FreeType and what it reads fonts with (libpng, zlib, brotli, bzip2),
# fontconfig and expat, GLU, the C++ runtime and libgcc. What stays shared is
# the C library, OpenGL, and the system libraries Debian's SDL2 calls directly
# for the display and the sound (X11 and its extensions, Wayland, xkbcommon,
# libdecor, DRM/GBM, ALSA and PulseAudio); --as-needed keeps only those the
# program reaches. The README lists them.

set(FM_STATIC_LIBS SDL2 freetype fontconfig png16 z brotlidec brotlicommon bz2 expat GLU)

# A pkg-config module's --static link line with our static archives in place
# of their -l names.
function(fm_portable_target target module)
  pkg_check_modules(FM_P_${module} REQUIRED ${module})
  set(libs "")
  foreach(lib IN LISTS FM_P_${module}_STATIC_LIBRARIES)
    if(lib IN_LIST FM_STATIC_LIBS)
      find_library(FM_STATIC_${lib} NAMES lib${lib}.a REQUIRED)
      list(APPEND libs ${FM_STATIC_${lib}})
    elseif(NOT lib STREQUAL "pthread" AND NOT lib STREQUAL "dl" AND NOT lib STREQUAL "rt")
      list(APPEND libs ${lib})
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES INTERFACE_LINK_LIBRARIES "${libs};Threads::Threads;${CMAKE_DL_LIBS}")
endfunction()

find_package(Threads REQUIRED)
fm_portable_target(PkgConfig::SDL2 sdl2)
fm_portable_target(PkgConfig::FREETYPE freetype2)
fm_portable_target(PkgConfig::FONTCONFIG fontconfig)
fm_portable_target(PkgConfig::GLU glu)
set(ZLIB_USE_STATIC_LIBS ON)

add_link_options(-static-libstdc++ -static-libgcc -Wl,--as-needed -s)
