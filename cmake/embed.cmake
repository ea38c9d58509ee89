# fm_embed_file(<target> <file> <symbol>): turns a binary file into a C++
# source defining `const unsigned char <symbol>[]` and
# `const unsigned int <symbol>_SIZE`, added to <target>. The conversion runs
# in CMake script mode, so it works the same on every host, cross builds
# included, and the program never reads the file at run time.
set(FM_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_run.cmake)

function(fm_embed_file target file symbol)
  get_filename_component(name ${file} NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded_${name}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol} -P ${FM_EMBED_SCRIPT}
    DEPENDS ${file} ${FM_EMBED_SCRIPT}
    COMMENT "Embedding ${name} as ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
