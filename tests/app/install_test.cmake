# install_test.cmake - installs the build into a fresh prefix and runs the
# installed capture tool there, as a user who installed it would.
#
#   cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -P install_test.cmake
#
# Fails (FATAL_ERROR) on a missing file or a run that does not do its job.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()

foreach(path bin/frostmere bin/frostmere-capture share/doc/frostmere/README.md
             share/applications/frostmere.desktop
             share/icons/hicolor/scalable/apps/frostmere.svg
             share/man/man6/frostmere.6 share/man/man1/frostmere-capture.1)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# The installed tool, away from the build: its help, and two frames made
# into a video. Under the sanitizers it runs without leak checking, as the
# capture tests run it: it unloads the OpenGL driver at exit, and what the
# driver keeps is then reported from a module no suppression can name.
if(DEFINED ENV{ASAN_OPTIONS} AND NOT "$ENV{ASAN_OPTIONS}" STREQUAL "")
  set(ENV{ASAN_OPTIONS} "$ENV{ASAN_OPTIONS}:detect_leaks=0")
else()
  set(ENV{ASAN_OPTIONS} "detect_leaks=0")
endif()
set(tool "${PREFIX}/bin/frostmere-capture")
execute_process(COMMAND "${tool}" --help OUTPUT_VARIABLE help RESULT_VARIABLE code)
if(NOT code EQUAL 0 OR NOT help MATCHES "--video FILE")
  message(FATAL_ERROR "the installed tool's --help (exit ${code}):\n${help}")
endif()
execute_process(COMMAND "${tool}" --quiet --max-frames 2 --video "${PREFIX}/two.mkv"
                WORKING_DIRECTORY "${PREFIX}" RESULT_VARIABLE code ERROR_VARIABLE errors)
if(NOT code EQUAL 0 OR NOT EXISTS "${PREFIX}/two.mkv")
  message(FATAL_ERROR "the installed tool made no video (exit ${code}):\n${errors}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
