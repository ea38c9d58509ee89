# emscripten.cmake - CMake toolchain for the browser build with Debian's
# emscripten package (emcc 3.1.6, its system libraries prebuilt, offline).
#
#   NODE_PATH=/usr/share/nodejs cmake -S . -B build-web -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake
#
# scripts/build-web does this. emcc needs NODE_PATH to find the Node modules
# Debian installs beside it; the settings of the web build itself are in
# emscripten_web.cmake, which the top CMakeLists.txt includes.
if(EXISTS /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
  include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
else()
  message(FATAL_ERROR "emscripten is not installed: run scripts/setup --web")
endif()
