# Build-time tools run on the build machine. A native build makes them
# itself; a cross build takes them from the native build named by
# KIV_NATIVE_BUILD_DIR (the Makefile builds that one first).

set(KIV_NATIVE_BUILD_DIR "" CACHE PATH "Native build tree that provides build-time tools when cross-compiling")

# kiv_native_tool(<out-var> <tool-name>): command (and dependency) for a tool.
function(kiv_native_tool out_var tool)
  if(CMAKE_CROSSCOMPILING)
    if(NOT KIV_NATIVE_BUILD_DIR)
      message(FATAL_ERROR "Cross builds need -DKIV_NATIVE_BUILD_DIR=<native build tree> for ${tool}")
    endif()
    set(${out_var} "${KIV_NATIVE_BUILD_DIR}/tools/bin/${tool}" PARENT_SCOPE)
  else()
    set(${out_var} "$<TARGET_FILE:${tool}>" PARENT_SCOPE)
  endif()
endfunction()

