cmake_policy(VERSION 3.25)
# Checks a built module: it may import only DLLs that every Windows system has, and it must
# export exactly the four page entry points under their plain names. It is a GUI image for
# Windows 6.0 (Vista) on, relocatable, no-execute data, with the no-SEH flag, which holds only
# while none of its code registers an SEH handler (the chain's head at fs:[0]).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

set(system_dlls kernel32 user32 gdi32 comctl32 msvcrt advapi32 shlwapi shell32 ole32 oleaut32
    winhttp ws2_32 wininet iphlpapi)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: ([^.]+)\\.[dD][lL][lL].*" "\\1" name "${line}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST system_dlls)
    message(FATAL_ERROR "${DLL} imports ${line}, which is not a system DLL")
  endif()
endforeach()

string(REGEX MATCHALL "\n[ \t]*\\[ *[0-9]+\\] [A-Za-z_@0-9]+" export_lines "${dump}")
set(exports "")
foreach(line IN LISTS export_lines)
  string(REGEX REPLACE ".*\\] " "" name "${line}")
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)
if(NOT exports STREQUAL "CreatePage;InitPage;IsSupported;UnInitPage")
  message(FATAL_ERROR "${DLL} exports '${exports}', expected CreatePage;InitPage;IsSupported;UnInitPage")
endif()

foreach(field IN ITEMS "Subsystem[ \t]+00000002" "MajorOSystemVersion[ \t]+6\n" "MinorOSystemVersion[ \t]+0\n"
                       "MajorSubsystemVersion[ \t]+6\n" "MinorSubsystemVersion[ \t]+0\n"
                       "DllCharacteristics[ \t]+00000540")
  if(NOT dump MATCHES "${field}")
    message(FATAL_ERROR "${DLL}: the optional header lacks '${field}'")
  endif()
endforeach()
execute_process(COMMAND ${OBJDUMP} -d ${DLL} COMMAND grep -c -E "%fs:0x0\\b"
  OUTPUT_VARIABLE seh_uses OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT seh_uses STREQUAL "0")
  message(FATAL_ERROR "${DLL} says it has no SEH handler, yet ${seh_uses} instructions address fs:[0]")
endif()
message(STATUS "imports: ${imports}; exports: ${exports}")
