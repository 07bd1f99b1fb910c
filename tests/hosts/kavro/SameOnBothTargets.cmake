# Renders the same transitions with the native kavro and with kavro.exe under
# Wine, each with the plug-in of its own build, and requires byte-identical
# files: a YUV4MPEG2 source and an RGBA still scaled to another size with
# the mask fitted to the still's proportions, and the built-in clips; a
# folder of a mask's PNG frames as a matte of the user's own, and the still
# as a luma map.
# cmake -DNATIVE=<kavro> -DWINDOWS=<kavro.exe> -DWINE=<runner> -DSTILL=<png> -DMASK_FRAMES=<folder> -DWORK=<dir>
#       -P SameOnBothTargets.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/native" "${WORK}/win32" "${WORK}/matte")
file(COPY "${STILL}" DESTINATION "${WORK}")
file(GLOB matte_frames "${MASK_FRAMES}/mask_wafu1/00*.png")
file(COPY ${matte_frames} DESTINATION "${WORK}/matte")
get_filename_component(still "${STILL}" NAME)

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${dir}" RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${err}")
  endif()
endfunction()

set(dir "${WORK}")
run("${NATIVE}" render --size 50x30 --frames 4 --quiet -o source.y4m)

# One render per entry, its arguments separated by spaces.
set(renders
  "../source.y4m ../${still} --size 64x36 --frames 6 --mask wafu1 --threads 2 -o clip.y4m --png frames --sheet sheet.png"
  "--size 96x54 --frames 5 --mask 2 --reverse --invert -o default.y4m"
  "--size 80x46 --frames 7 --mask ../matte --invert --threads 3 -o matte.y4m"
  "../source.y4m --frames 4 --mask ../${still} --softness 0.4 -o luma.y4m")
foreach(line IN LISTS renders)
  message(STATUS "kavro render ${line}")
  separate_arguments(arguments UNIX_COMMAND "${line}")
  set(dir "${WORK}/native")
  run("${NATIVE}" render ${arguments} --quiet)
  set(dir "${WORK}/win32")
  run("${WINE}" "${WINDOWS}" render ${arguments} --quiet)
endforeach()

foreach(file clip.y4m sheet.png frames/frame_00000.png frames/frame_00005.png default.y4m matte.y4m luma.y4m)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/native/${file}" "${WORK}/win32/${file}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${file} differs between the native and the Windows kavro")
  endif()
  message(STATUS "${file}: identical")
endforeach()
