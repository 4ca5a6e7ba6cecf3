# Runs the harness under Wine and checks its exit code and its output.
#   cmake -DWINE_RUN=... -DHARNESS=... -DARGS=a|b -DEXIT=N -DEXPECT=regex@@regex -P run_harness.cmake
# Paths of the Unix side are handed over as Wine's Z: drive, which maps the root.
string(REPLACE "|" ";" args "${ARGS}")
set(converted)
foreach(arg IN LISTS args)
  if(arg MATCHES "^/")
    string(REPLACE "/" "\\" arg "Z:${arg}")
  endif()
  list(APPEND converted "${arg}")
endforeach()
execute_process(COMMAND "${WINE_RUN}" "${HARNESS}" ${converted}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 110)
message("${out}${err}")
if(NOT rc STREQUAL "${EXIT}")
  message(FATAL_ERROR "the harness ended with ${rc}, expected ${EXIT}")
endif()
string(REPLACE "@@" ";" patterns "${EXPECT}")
foreach(pattern IN LISTS patterns)
  if(NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "the output lacks: ${pattern}")
  endif()
endforeach()
