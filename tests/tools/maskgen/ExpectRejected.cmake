# Runs a command line tool with bad arguments and expects a non-zero exit code
# and a message on stderr.
# cmake -DTOOL=<exe> -DARGS=<a,b,...> -DEXPECT=<regex> -P ExpectRejected.cmake
string(REPLACE "," ";" ARGS "${ARGS}")
execute_process(COMMAND "${TOOL}" ${ARGS}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(result EQUAL 0)
  message(FATAL_ERROR "'${ARGS}' was accepted:\n${out}${err}")
endif()
if(NOT err MATCHES "${EXPECT}")
  message(FATAL_ERROR "'${ARGS}' failed (${result}) without saying '${EXPECT}' on stderr:\n${err}")
endif()
