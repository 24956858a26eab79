# Script mode: compares the export table of the DLL LIBRARY (names demangled with CXXFILT) with
# EXPECTED, the same list of public names the Linux check uses.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${LIBRARY}")
endif()

# The names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" line each.
string(REPLACE "\n" ";" lines "${listing}")
set(in_table FALSE)
set(mangled "")
foreach(line IN LISTS lines)
  if(line MATCHES "\\[Ordinal/Name Pointer\\] Table")
    set(in_table TRUE)
  elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
    string(APPEND mangled "${CMAKE_MATCH_1}\n")
  elseif(in_table)
    break()
  endif()
endforeach()
if(mangled STREQUAL "")
  message(FATAL_ERROR "no export table found in ${LIBRARY}")
endif()

set(names_file ${CMAKE_CURRENT_BINARY_DIR}/dll_exports_mangled.txt)
file(WRITE ${names_file} "${mangled}")
execute_process(COMMAND ${CXXFILT} INPUT_FILE ${names_file} OUTPUT_VARIABLE demangled
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "c++filt failed")
endif()
string(STRIP "${demangled}" demangled)
string(REPLACE "\n" ";" actual "${demangled}")
include(${CMAKE_CURRENT_LIST_DIR}/CompareNames.cmake)
