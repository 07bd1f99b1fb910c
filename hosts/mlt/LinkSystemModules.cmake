# Links every MLT module of the system into the repository folder, our own
# module aside (a system install of it would shadow this build's), and drops
# links whose module has gone.
# cmake -DSYSTEM_DIR=... -DREPOSITORY_DIR=... -DOWN_MODULE=... -P LinkSystemModules.cmake
file(GLOB stale LIST_DIRECTORIES false "${REPOSITORY_DIR}/*")
foreach(link IN LISTS stale)
  if(IS_SYMLINK "${link}" AND NOT EXISTS "${link}")
    file(REMOVE "${link}")
  endif()
endforeach()
file(GLOB modules LIST_DIRECTORIES false "${SYSTEM_DIR}/*.so")
if(NOT modules)
  message(FATAL_ERROR "no MLT modules in ${SYSTEM_DIR}")
endif()
foreach(module IN LISTS modules)
  get_filename_component(name "${module}" NAME)
  if(NOT name STREQUAL OWN_MODULE AND NOT EXISTS "${REPOSITORY_DIR}/${name}")
    file(CREATE_LINK "${module}" "${REPOSITORY_DIR}/${name}" SYMBOLIC)
  endif()
endforeach()
