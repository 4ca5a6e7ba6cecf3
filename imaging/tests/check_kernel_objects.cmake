cmake_policy(VERSION 3.25)
# Checks the objects of the files built for an instruction set the processor may lack
# (blend_sse2.cpp, blend_ssse3.cpp): each may make visible only its table of draws, and run
# nothing when the program starts. Any other code of theirs would be built for that set and
# could run, or be picked by the linker for callers elsewhere, without blend.cpp's check.
#
#   cmake -DNM=nm -DOBJDUMP=objdump -DOBJECTS="a.o;b.o" [-DSANITIZE=ON] -P check_kernel_objects.cmake
foreach(object IN LISTS OBJECTS)
  if(object MATCHES "blend_ssse3")
    set(table "_ZN5blend13kSsse3KernelsE")
  elseif(object MATCHES "blend_sse2")
    set(table "_ZN5blend12kSse2KernelsE")
  else()
    message(FATAL_ERROR "${object} is not the object of a kernel file")
  endif()

  execute_process(COMMAND ${NM} -g --defined-only ${object} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "nm failed on ${object}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${listing}")
  set(has_table OFF)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] +" "" symbol "${line}")
    if(symbol MATCHES "^_?${table}$")
      set(has_table ON)
    # Beside the table: the exception tables' shared pointer (data), AddressSanitizer's marker.
    elseif(NOT symbol STREQUAL "DW.ref.__gxx_personality_v0" AND NOT symbol MATCHES "^__odr_asan")
      message(FATAL_ERROR "${object} makes ${symbol} visible: only its table may be")
    endif()
  endforeach()
  if(NOT has_table)
    message(FATAL_ERROR "${object} does not define ${table}")
  endif()

  # AddressSanitizer adds a constructor of its own to every object.
  if(NOT SANITIZE)
    execute_process(COMMAND ${OBJDUMP} -h ${object} OUTPUT_VARIABLE sections RESULT_VARIABLE failed)
    if(failed OR sections MATCHES "\\.(init_array|ctors)")
      message(FATAL_ERROR "${object} has code that runs when the program starts")
    endif()
  endif()
  message(STATUS "${object}: only ${table}")
endforeach()
