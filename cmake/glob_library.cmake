# fm_glob_library(<target> <deps...>): a subsystem library of every .cpp in
# the calling folder, linking deps. Until the folder's first source exists
# the library is an empty interface, so the tree configures at every step.
function(fm_glob_library target)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    target_link_libraries(${target} PUBLIC ${ARGN})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()
