# Writes the resource compiler or assembler source of a resource module.
# cmake -DMANIFEST=<file> -DFORMAT=rc|elf -DOUTPUT=<file> -P WriteResourceSource.cmake
# Manifest: one "<id> <png path>" per line; paths relative to the manifest.

foreach(var MANIFEST FORMAT OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "WriteResourceSource: -D${var}=... is required")
  endif()
endforeach()
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "WriteResourceSource: manifest ${MANIFEST} does not exist")
endif()
get_filename_component(base_dir "${MANIFEST}" DIRECTORY)

file(STRINGS "${MANIFEST}" lines)
set(entries "")
set(line_number 0)
foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  string(REGEX REPLACE "#.*$" "" line "${line}")
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)[ \t]+(.+)$")
    message(FATAL_ERROR "${MANIFEST}:${line_number}: expected '<id> <png path>', got '${line}'")
  endif()
  set(id "${CMAKE_MATCH_1}")
  set(path "${CMAKE_MATCH_2}")
  if(id GREATER 65535 OR id EQUAL 0)
    message(FATAL_ERROR "${MANIFEST}:${line_number}: resource id ${id} is not in 1..65535")
  endif()
  if(DEFINED seen_${id})
    message(FATAL_ERROR "${MANIFEST}:${line_number}: resource id ${id} appears twice")
  endif()
  set(seen_${id} TRUE)
  if(NOT IS_ABSOLUTE "${path}")
    set(path "${base_dir}/${path}")
  endif()
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${MANIFEST}:${line_number}: ${path} does not exist")
  endif()
  if(path MATCHES "[\"\\\n]")
    message(FATAL_ERROR "${MANIFEST}:${line_number}: path ${path} holds a quote or backslash")
  endif()
  list(APPEND entries "${id}|${path}")
endforeach()

set(text "")
if(FORMAT STREQUAL "rc")
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 id)
    list(GET parts 1 path)
    string(APPEND text "${id} PNG \"${path}\"\n")
  endforeach()
elseif(FORMAT STREQUAL "elf")
  list(LENGTH entries count)
  string(APPEND text
    "  .section .rodata.kiv_resources,\"a\"\n"
    "  .balign 16\n"
    "  .globl kiv_resource_directory\n"
    "  .type kiv_resource_directory, @object\n"
    "kiv_resource_directory:\n"
    "  .long 0x4B495652\n"
    "  .long .Lend - kiv_resource_directory\n"
    "  .long ${count}\n")
  set(index 0)
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 id)
    string(APPEND text "  .long .Ltype_png - kiv_resource_directory, ${id}, .Lr${index} - kiv_resource_directory, .Lr${index}_end - .Lr${index}\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND text ".Ltype_png:\n  .asciz \"PNG\"\n")
  set(index 0)
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 1 path)
    string(APPEND text "  .balign 4\n.Lr${index}:\n  .incbin \"${path}\"\n.Lr${index}_end:\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND text
    ".Lend:\n"
    "  .size kiv_resource_directory, .Lend - kiv_resource_directory\n"
    "  .section .note.GNU-stack,\"\",@progbits\n")
else()
  message(FATAL_ERROR "WriteResourceSource: FORMAT must be rc or elf, not '${FORMAT}'")
endif()

# Rewrite only on change, so an unchanged list does not recompile.
set(temporary "${OUTPUT}.tmp")
file(WRITE "${temporary}" "${text}")
file(COPY_FILE "${temporary}" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${temporary}")
