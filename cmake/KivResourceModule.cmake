# kiv_add_resource_module(<target> NAME <file name without extension>
#                         OUTPUT_DIRECTORY <dir> MANIFEST <file> [DEPENDS <files>...])
#
# Builds a resource module from a manifest of "<id> <png path>" lines (paths
# relative to the manifest's folder; '#' starts a comment). On Windows the
# result is a resource-only DLL of "PNG" resources; elsewhere a shared object
# whose resource directory the module services stand-in reads. The files are
# embedded by the resource compiler or the assembler, never as C arrays.

set(KIV_RESOURCE_SOURCE_WRITER "${CMAKE_CURRENT_LIST_DIR}/../tools/resource_module/WriteResourceSource.cmake")

if(WIN32)
  find_program(KIV_WINDRES NAMES ${CMAKE_RC_COMPILER} i686-w64-mingw32-windres windres REQUIRED)
else()
  enable_language(ASM)
endif()

function(kiv_add_resource_module target)
  cmake_parse_arguments(ARG "" "NAME;OUTPUT_DIRECTORY;MANIFEST" "DEPENDS" ${ARGN})
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${target}.resources")
  if(WIN32)
    set(source "${work}/resources.rc")
    set(format rc)
  else()
    set(source "${work}/resources.S")
    set(format elf)
  endif()
  add_custom_command(
    OUTPUT "${source}"
    COMMAND "${CMAKE_COMMAND}" -DMANIFEST=${ARG_MANIFEST} -DFORMAT=${format} -DOUTPUT=${source}
            -P "${KIV_RESOURCE_SOURCE_WRITER}"
    DEPENDS "${ARG_MANIFEST}" "${KIV_RESOURCE_SOURCE_WRITER}" ${ARG_DEPENDS}
    COMMENT "Listing resources of ${ARG_NAME}"
    VERBATIM)

  if(WIN32)
    set(object "${work}/resources.o")
    add_custom_command(
      OUTPUT "${object}"
      COMMAND "${KIV_WINDRES}" -O coff -i "${source}" -o "${object}"
      DEPENDS "${source}" ${ARG_DEPENDS}
      COMMENT "Compiling resources of ${ARG_NAME}"
      VERBATIM)
    add_library(${target} SHARED "${object}")
    # Resource-only: no runtime, no code, no entry point.
    target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=0 -s)
  else()
    add_library(${target} SHARED "${source}")
    set_source_files_properties("${source}" PROPERTIES OBJECT_DEPENDS "${ARG_MANIFEST};${ARG_DEPENDS}")
    target_link_options(${target} PRIVATE -nostdlib)
  endif()
  set_target_properties(${target} PROPERTIES
    LINKER_LANGUAGE C
    OUTPUT_NAME ${ARG_NAME}
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIRECTORY}"
    RUNTIME_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIRECTORY}"
    ARCHIVE_OUTPUT_DIRECTORY "${work}")
endfunction()
