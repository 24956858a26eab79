# Script mode: cpack makes the .tar.gz (and the .deb where dpkg-deb exists); both carry the
# library, the headers, the package files, the tools and examples, and the jar when Java is built.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(generators TGZ)
if(DPKG_DEB)
  list(APPEND generators DEB)
endif()
list(JOIN generators ";" generator_list)
execute_process(COMMAND ${CPACK} --config ${BINARY_DIR}/CPackConfig.cmake -G "${generator_list}"
    -B ${WORK_DIR}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${out}\n${err}")
endif()
set(expected bin/mirav-cli bin/mirav-sim include/mirav/Mirav.h include/mirav/MiravResult.h
  lib/libmirav_sdk.so.${VERSION} lib/pkgconfig/mirav_sdk.pc lib/cmake/MiravSDK/MiravSDKConfig.cmake
  libexec/mirav-sdk/examples/live_frames share/doc/MiravSDK/LICENSE)
if(EXISTS "${JAR}")
  list(APPEND expected share/java/mirav-sdk.jar)
endif()

function(check_listing what listing)
  foreach(path ${expected})
    string(REPLACE "." "\\." pattern "${path}")
    if(NOT listing MATCHES "/${pattern}\n")
      message(FATAL_ERROR "${what} lacks ${path}:\n${listing}")
    endif()
  endforeach()
endfunction()

file(GLOB archives ${WORK_DIR}/*.tar.gz)
list(LENGTH archives count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .tar.gz in ${WORK_DIR}, found: ${archives}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tzf ${archives} OUTPUT_VARIABLE listing
  RESULT_VARIABLE result)
check_listing("the .tar.gz" "${listing}")
if(DPKG_DEB)
  file(GLOB debs ${WORK_DIR}/*.deb)
  list(LENGTH debs count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one .deb in ${WORK_DIR}, found: ${debs}")
  endif()
  execute_process(COMMAND ${DPKG_DEB} --contents ${debs} OUTPUT_VARIABLE table
    RESULT_VARIABLE result)
  # Keep only the paths (the last column) of the table.
  string(REGEX REPLACE "[^\n]* \\./" "./" listing "${table}")
  check_listing("the .deb" "${listing}")
  execute_process(COMMAND ${DPKG_DEB} --field ${debs} Package Version OUTPUT_VARIABLE fields)
  if(NOT fields MATCHES "mirav-sdk" OR NOT fields MATCHES "${VERSION}")
    message(FATAL_ERROR "unexpected .deb fields:\n${fields}")
  endif()
endif()
message("cpack made ${generators} with ${expected}")
