# Debian libraries that Debian ships no MinGW build of, compiled for the cross
# build from Debian's own source packages by tools/setup/build-mingw-static-lib.sh,
# once per build tree.

# kiv_mingw_static_library(<target> <package> <name> [DEFINITIONS <defs>...] [LIBS <libs>...]):
# an imported static library <target> of lib<name>.a built from <package>.
function(kiv_mingw_static_library target package name)
  cmake_parse_arguments(ARG "" "" "DEFINITIONS;LIBS" ${ARGN})
  string(TOUPPER "${package}" upper)
  set(KIV_${upper}_MINGW_DIR "${CMAKE_BINARY_DIR}/${package}-mingw-i686" CACHE PATH
      "Static ${package} for the cross build, made by tools/setup/build-mingw-static-lib.sh")
  set(dir "${KIV_${upper}_MINGW_DIR}")
  if(NOT EXISTS "${dir}/lib/lib${name}.a")
    message(STATUS "Building ${package} for ${CMAKE_SYSTEM_NAME} from Debian's source package")
    execute_process(
      COMMAND "${PROJECT_SOURCE_DIR}/tools/setup/build-mingw-static-lib.sh" "${package}" "${dir}"
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Building ${package} for the cross build failed (${result})")
    endif()
  endif()
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION "${dir}/lib/lib${name}.a"
    INTERFACE_INCLUDE_DIRECTORIES "${dir}/include"
    INTERFACE_COMPILE_DEFINITIONS "${ARG_DEFINITIONS}"
    INTERFACE_LINK_LIBRARIES "${ARG_LIBS}")
endfunction()
