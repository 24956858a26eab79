# Script mode: install, configure the consumer against the prefix, build it and run it.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BINARY_DIR} --prefix ${prefix} --component Unspecified)
if(EMULATOR)
  # Cross build: the toolchain confines searches to the target's root, so the package is named
  # directly; the program runs through the emulator and finds the DLL in the prefix's bin.
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
      -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DMiravSDK_DIR=${prefix}/lib/cmake/MiravSDK
      -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${WORK_DIR}/build)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  set(ENV{WINEPATH} ${prefix}/bin)
  run(${EMULATOR} ${WORK_DIR}/build/consumer.exe)
else()
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
      -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
  run(${WORK_DIR}/build/consumer)
endif()
if(NOT last_output MATCHES "version 4.0.56.34")
  message(FATAL_ERROR "unexpected output: ${last_output}")
endif()
