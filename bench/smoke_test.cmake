# Generates a project of 6 modules of 40 routines and runs memtally -d -u -c
# on it: the run must succeed, print the estimate and say nothing on
# standard error.
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${GENERATE}" "${WORK}" Bench 6 40 7
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "generator failed: ${status}")
endif()
execute_process(COMMAND "${MEMTALLY}" -d -u -c Bench
  WORKING_DIRECTORY "${WORK}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "memtally failed (${status}): ${err}")
endif()
foreach(expected "Estimate of application RAM use:" "Detailed Analysis"
                 "Routines and their callers:" "Static variables:  157")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing \"${expected}\" in:\n${out}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
