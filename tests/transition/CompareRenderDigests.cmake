# Runs the frame digest program of the native build and of the cross build
# (under its emulator) and fails unless both printed the same frames.
# -DNATIVE=<program> -DCROSS=<program> -DEMULATOR=<runner>
foreach(side NATIVE CROSS)
  if(NOT EXISTS "${${side}}")
    message(FATAL_ERROR "${${side}} is missing: build the native tree first")
  endif()
endforeach()

execute_process(COMMAND "${NATIVE}" RESULT_VARIABLE native_result OUTPUT_VARIABLE native_output
                ERROR_VARIABLE native_error)
execute_process(COMMAND "${EMULATOR}" "${CROSS}" RESULT_VARIABLE cross_result OUTPUT_VARIABLE cross_output
                ERROR_VARIABLE cross_error)
# Windows programs end their lines in CR LF.
string(REPLACE "\r" "" cross_output "${cross_output}")
message("native build:\n${native_output}${native_error}")
message("cross build:\n${cross_output}${cross_error}")

if(NOT native_result EQUAL 0 OR NOT cross_result EQUAL 0)
  message(FATAL_ERROR "a frame did not render (exit ${native_result} native, ${cross_result} cross)")
endif()
string(REGEX MATCHALL "output [0-9a-f]+" frames "${native_output}")
list(LENGTH frames frame_count)
if(frame_count EQUAL 0)
  message(FATAL_ERROR "the native build printed no frames")
endif()
if(NOT native_output STREQUAL cross_output)
  message(FATAL_ERROR "the two builds rendered different frames")
endif()
message("${frame_count} frames identical")
