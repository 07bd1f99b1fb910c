# Warnings, sanitizers and runtime linkage shared by every target we build.

add_library(kiv_warning_flags INTERFACE)
target_compile_options(kiv_warning_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wundef -Wcast-align
  $<$<BOOL:${KIV_WERROR}>:-Werror>)

add_library(kiv_build_flags INTERFACE)
target_link_libraries(kiv_build_flags INTERFACE kiv_warning_flags)

if(KIV_FUZZ)
  # Every library is instrumented for coverage; only the fuzz programs link
  # the fuzzing engine.
  target_compile_options(kiv_build_flags INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kiv_build_flags INTERFACE -fsanitize=address,undefined)
elseif(KIV_SANITIZE AND NOT WIN32)
  target_compile_options(kiv_build_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(kiv_build_flags INTERFACE -fsanitize=address,undefined)
elseif(KIV_TSAN AND NOT WIN32)
  target_compile_options(kiv_build_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(kiv_build_flags INTERFACE -fsanitize=thread)
endif()

if(WIN32)
  # A host needs nothing but the files in dist: the runtimes are linked in.
  target_link_options(kiv_build_flags INTERFACE -static -static-libgcc -static-libstdc++)
  # Doubles in SSE2 registers round every result to double precision, as on
  # x86-64; on the x87 unit they would follow whatever precision the host set.
  target_compile_options(kiv_build_flags INTERFACE -msse2 -mfpmath=sse)
endif()

function(kiv_target_defaults target)
  target_link_libraries(${target} PRIVATE kiv_build_flags)
endfunction()

# Places a shipped library in dist, named exactly as given, finding its
# neighbours there at run time.
function(kiv_ship_library target name)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${name}
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY "${KIV_DIST_DIR}"
    RUNTIME_OUTPUT_DIRECTORY "${KIV_DIST_DIR}"
    ARCHIVE_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/lib"
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "$ORIGIN")
endfunction()

# A library shipped with the static MinGW runtime gives back what that runtime
# would otherwise leave behind at each unload (platform/static_runtime).
function(kiv_release_static_runtime target)
  if(WIN32)
    target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/platform/static_runtime/StaticRuntimeRelease.cpp")
    target_link_options(${target} PRIVATE
      -Wl,--wrap=pthread_once,--wrap=__cxa_guard_acquire,--wrap=__cxa_guard_release,--wrap=__cxa_guard_abort)
  endif()
endfunction()
