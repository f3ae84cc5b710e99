# Embeds files in a program as C++ byte arrays, so the program carries its
# pictures without reading them at run time and the build needs nothing
# but CMake to do it.
#
#   include(EmbedFiles)
#   tolvane_embed_files(<target> <header> <name> <file> [<name> <file>...])
#
# For each file, <target> gets a generated source that defines
#   const unsigned char <name>[];      // the file's bytes
#   const std::size_t <name>Size;      // how many there are
# remade at build time whenever the file changes. <header> (a path such as
# "res/embedded_images.h", included by that path) declares them all.
#
# Run as a script (cmake -P) this file writes one such source: it is the
# build-time half of the function.

if(CMAKE_SCRIPT_MODE_FILE)
  # -DNAME=<name> -DINPUT=<file> -DOUTPUT=<source>
  file(READ "${INPUT}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  if(size EQUAL 0)
    set(bytes "0")  # a C++ array may not be empty; NameSize still says 0
  else()
    string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
    string(REPEAT "0x..," 16 line)  # CMake's regular expressions have no {16}
    string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
  endif()
  file(WRITE "${OUTPUT}"
    "// Made from ${INPUT} by EmbedFiles.cmake at build time.\n"
    "#include <cstddef>\n\n"
    "extern const unsigned char ${NAME}[];\n"
    "extern const std::size_t ${NAME}Size;\n"
    "const unsigned char ${NAME}[] = {\n    ${bytes}\n};\n"
    "const std::size_t ${NAME}Size = ${size};\n")
  return()
endif()

set(TOLVANE_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_FILE}")

function(tolvane_embed_files target header)
  set(pairs ${ARGN})
  list(LENGTH pairs n)
  math(EXPR odd "${n} % 2")
  if(n EQUAL 0 OR odd)
    message(FATAL_ERROR "tolvane_embed_files: give a name and a file for each file")
  endif()
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/embedded/${target}")
  set(declarations "")
  while(pairs)
    list(POP_FRONT pairs name file)
    get_filename_component(file "${file}" ABSOLUTE)
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "tolvane_embed_files: ${file} does not exist")
    endif()
    set(source "${dir}/${name}.cpp")
    add_custom_command(OUTPUT "${source}"
      COMMAND "${CMAKE_COMMAND}" -DNAME=${name} -DINPUT=${file} -DOUTPUT=${source}
              -P "${TOLVANE_EMBED_SCRIPT}"
      DEPENDS "${file}" "${TOLVANE_EMBED_SCRIPT}"
      COMMENT "Embedding ${file}"
      VERBATIM)
    target_sources(${target} PRIVATE "${source}")
    string(APPEND declarations
      "extern const unsigned char ${name}[];\nextern const std::size_t ${name}Size;\n")
  endwhile()
  # file(GENERATE) rewrites the header only when the list of names changes.
  file(GENERATE OUTPUT "${dir}/${header}" CONTENT
    "// The files embedded in ${target}, made by EmbedFiles.cmake.\n#pragma once\n\n\
#include <cstddef>\n\n${declarations}")
  target_include_directories(${target} PRIVATE "${dir}")
endfunction()
