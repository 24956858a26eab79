# Script mode: runs doxygen on the public headers and fails when it reports any warning
# (an undocumented declaration, parameter or result, or a malformed comment).
if(NOT DOXYGEN)
  message("SKIPPED: doxygen is not installed (scripts/setup.sh installs the package doxygen)")
  return()
endif()
file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT})
execute_process(COMMAND ${DOXYGEN} ${DOXYFILE} RESULT_VARIABLE result
  OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "doxygen failed (${result}):\n${out}\n${err}")
endif()
file(READ ${OUTPUT}/warnings.log warnings)
string(STRIP "${warnings}" warnings)
if(NOT warnings STREQUAL "")
  message(FATAL_ERROR "the public headers are not fully documented:\n${warnings}")
endif()
message("public headers documented: no doxygen warning (${OUTPUT}/html/index.html)")
