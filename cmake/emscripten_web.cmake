# emscripten_web.cmake - what the browser build changes, included by the top
# CMakeLists.txt when the toolchain is cmake/emscripten.cmake.
#
# Only the intro (web/ and src/platform/web) and the wasm smoke program of
# tests/web are meant to be built here: scripts/build-web names its targets.
# There is no zlib in emscripten's prebuilt libraries and the browser needs
# no PNG writer, so ZLIB::ZLIB is an empty stand-in that lets the tree
# configure; the targets that would need it (the capture tool, the tests
# on GoogleTest) are never built for the web.
set(FROSTMERE_TESTS OFF CACHE BOOL "" FORCE)
set(FROSTMERE_BENCH OFF CACHE BOOL "" FORCE)
if(NOT TARGET ZLIB::ZLIB)
  add_library(ZLIB::ZLIB INTERFACE IMPORTED)
endif()
# No exceptions anywhere in the program; the C++ library's parts we use
# (threads aside) are in emscripten's libc++.
add_compile_options(-fno-exceptions)
